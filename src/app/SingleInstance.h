#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <vector>

class QLocalServer;

namespace corvalin {

// One reader per program folder: a second start hands its files to the reader that runs
// already (as a file manager's "open" does) instead of opening a second window on the same
// library. The two meet on a local socket named after the user and the program folder.
class SingleInstance : public QObject {
public:
    // Sends `files` (absolute paths) to a reader running on `programFolder`; true when one took
    // them, and this start should end.
    static bool HandOver(const std::filesystem::path& programFolder, const std::vector<std::filesystem::path>& files);

    // Listens for later starts; `onFiles` runs in the main thread for each, once no modal
    // dialog of this reader is open.
    SingleInstance(const std::filesystem::path& programFolder,
                   std::function<void(std::vector<std::filesystem::path>)> onFiles);
    ~SingleInstance() override;
    bool Listening() const;

    static QString SocketName(const std::filesystem::path& programFolder);

private:
    void TakeConnection();
    void Deliver(std::vector<std::filesystem::path> files);

    QLocalServer* server_;
    std::function<void(std::vector<std::filesystem::path>)> onFiles_;
};

}  // namespace corvalin
