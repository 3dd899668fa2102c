#include "app/ProgressWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

namespace corvalin {
namespace {

constexpr int kWidth = 320;

int ToBar(int64_t value) { return int(std::clamp<int64_t>(value, 0, INT_MAX)); }

}  // namespace

TAA_Progress::TAA_Progress(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      caption_(new QLabel(this)),
      bar_(new QProgressBar(this)) {
    setObjectName("AA_Progress");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(bar_);
    bar_->setTextVisible(false);
    setFixedWidth(kWidth);
}

QString TAA_Progress::Caption() const { return caption_->text(); }
int TAA_Progress::Maximum() const { return bar_->maximum(); }
int TAA_Progress::Position() const { return bar_->value(); }

VEMProgress::VEMProgress(TAA_Progress& window, QWidget& owner, int64_t maximum, const QString& caption)
    : window_(window) {
    window_.caption_->setText(caption);
    window_.bar_->setRange(0, std::max(1, ToBar(maximum)));
    window_.bar_->setValue(0);
    window_.adjustSize();
    const QRect client(owner.mapToGlobal(QPoint(0, 0)), owner.size());
    window_.move(client.center() - window_.rect().center());
    window_.show();
    window_.repaint();
}

VEMProgress::~VEMProgress() { window_.hide(); }

void VEMProgress::SetPosition(int64_t position) {
    window_.bar_->setValue(std::min(ToBar(position), window_.bar_->maximum()));
    window_.repaint();
}

}  // namespace corvalin
