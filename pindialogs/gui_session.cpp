#include "gui_session.h"

#include <QApplication>
#include <QThread>
#include <clocale>
#include <mutex>

#include "platform_probe.h"

namespace ravenet {
namespace {

// Serialises creating and destroying our own application, so two threads of
// a host without one cannot both create one.
std::mutex &applicationLock()
{
    static std::mutex lock;
    return lock;
}

char kProgramName[] = "ravenet";
char kPlatformOption[] = "-platform";

} // namespace

GuiSession::GuiSession()
{
    std::lock_guard<std::mutex> guard(applicationLock());
    QCoreApplication *existing = QCoreApplication::instance();
    if (existing == nullptr) {
        ready_ = startOwnApplication();
        return;
    }
    // Widgets need a QApplication and must live on its thread.
    ready_ = qobject_cast<QApplication *>(existing) != nullptr && QThread::currentThread() == existing->thread();
}

GuiSession::~GuiSession()
{
    if (ownApplication_) {
        std::lock_guard<std::mutex> guard(applicationLock());
        ownApplication_.reset();
        std::setlocale(LC_ALL, hostLocale_.c_str());
    }
}

bool GuiSession::startOwnApplication()
{
    platforms_ = usablePlatforms();
    if (platforms_.isEmpty())
        return false;
    argv_ = {kProgramName, kPlatformOption, platforms_.data(), nullptr};
    argc_ = 3;
    const char *locale = std::setlocale(LC_ALL, nullptr);
    hostLocale_ = locale != nullptr ? locale : "C";
    ownApplication_ = std::make_unique<QApplication>(argc_, argv_.data());
    return true;
}

} // namespace ravenet
