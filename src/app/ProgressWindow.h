#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "base/Progress.h"

class QLabel;
class QProgressBar;

namespace corvalin {

// The progress window: a caption over a bar, shown without blocking while a long step runs.
class TAA_Progress : public QWidget {
public:
    explicit TAA_Progress(QWidget* parent = nullptr);

    QString Caption() const;
    int Maximum() const;
    int Position() const;

private:
    friend class VEMProgress;
    QLabel* caption_;
    QProgressBar* bar_;
};

// Shows the progress window over `owner`'s client area for as long as it lives; every
// position reaches the screen at once, since the step runs without returning to the event loop.
class VEMProgress final : public ProgressSink {
public:
    VEMProgress(TAA_Progress& window, QWidget& owner, int64_t maximum, const QString& caption);
    ~VEMProgress() override;
    VEMProgress(const VEMProgress&) = delete;
    VEMProgress& operator=(const VEMProgress&) = delete;

    void SetPosition(int64_t position) override;

private:
    TAA_Progress& window_;
};

}  // namespace corvalin
