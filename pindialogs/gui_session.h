// Gives one dialog call an application to run in: the host's own
// QApplication, or, when the host has none, one created for the call.
#pragma once

#include <QByteArray>
#include <array>
#include <memory>
#include <string>

class QApplication;

namespace ravenet {

class GuiSession {
public:
    GuiSession();
    ~GuiSession();
    GuiSession(const GuiSession &) = delete;
    GuiSession &operator=(const GuiSession &) = delete;

    // False when no dialog can be shown: the host runs a non-widget
    // application or calls from a thread other than its application's, or no
    // platform can open a window.
    bool ready() const { return ready_; }

private:
    bool startOwnApplication();

    bool ready_ = false;
    std::unique_ptr<QApplication> ownApplication_;
    // Qt sets the C locale from the environment when it starts; the host gets
    // its own back when our application ends.
    std::string hostLocale_;
    // QApplication keeps argc and argv for its whole life.
    QByteArray platforms_;
    int argc_ = 0;
    std::array<char *, 4> argv_{};
};

} // namespace ravenet
