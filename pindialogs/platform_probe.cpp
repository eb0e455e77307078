#include "platform_probe.h"

#include <QFile>
#include <QLibraryInfo>
#include <QList>
#include <QStringList>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace ravenet {
namespace {

bool alwaysReachable()
{
    return true;
}

// Opens and closes one X connection through the library the X11 platform
// itself uses, loaded here so that we do not link against it.
bool xServerReachable()
{
    const char *display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0')
        return false;
    void *xcb = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (xcb == nullptr)
        return false;
    using Connect = void *(*)(const char *, int *);
    using HasError = int (*)(void *);
    using Disconnect = void (*)(void *);
    auto connect = reinterpret_cast<Connect>(dlsym(xcb, "xcb_connect"));
    auto hasError = reinterpret_cast<HasError>(dlsym(xcb, "xcb_connection_has_error"));
    auto disconnect = reinterpret_cast<Disconnect>(dlsym(xcb, "xcb_disconnect"));
    bool reachable = false;
    if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
        void *connection = connect(nullptr, nullptr);
        reachable = connection != nullptr && hasError(connection) == 0;
        if (connection != nullptr)
            disconnect(connection);
    }
    dlclose(xcb);
    return reachable;
}

bool waylandCompositorReachable()
{
    const char *name = std::getenv("WAYLAND_DISPLAY");
    if (name == nullptr || *name == '\0')
        name = "wayland-0";
    QByteArray path;
    if (name[0] == '/') {
        path = name;
    } else {
        const char *runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        if (runtimeDir == nullptr || *runtimeDir == '\0')
            return false;
        path = QByteArray(runtimeDir) + '/' + name;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool reachable = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return reachable;
}

struct PlatformProbe {
    const char *key;        // name given to QT_QPA_PLATFORM
    const char *pluginFile; // in the plugins' "platforms" folder
    bool (*reachable)();
};

// Platforms we can check without starting them; any other is not used,
// because a failed start cannot be recovered from.
constexpr PlatformProbe kProbes[] = {
    {"xcb", "libqxcb.so", xServerReachable},
    {"wayland", "libqwayland-generic.so", waylandCompositorReachable},
    {"wayland-egl", "libqwayland-egl.so", waylandCompositorReachable},
    {"offscreen", "libqoffscreen.so", alwaysReachable},
    {"minimal", "libqminimal.so", alwaysReachable},
};

QStringList platformPluginFolders()
{
    QStringList folders;
    const QByteArray explicitFolder = qgetenv("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!explicitFolder.isEmpty())
        folders << QFile::decodeName(explicitFolder);
    for (const QByteArray &root : qgetenv("QT_PLUGIN_PATH").split(':')) {
        if (!root.isEmpty())
            folders << QFile::decodeName(root) + QStringLiteral("/platforms");
    }
    folders << QLibraryInfo::location(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms");
    return folders;
}

bool pluginInstalled(const char *file)
{
    for (const QString &folder : platformPluginFolders()) {
        if (QFile::exists(folder + QLatin1Char('/') + QLatin1String(file)))
            return true;
    }
    return false;
}

const PlatformProbe *findProbe(const QByteArray &key)
{
    for (const PlatformProbe &probe : kProbes) {
        if (key == probe.key)
            return &probe;
    }
    return nullptr;
}

} // namespace

QByteArray usablePlatforms()
{
    QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (requested.trimmed().isEmpty())
        requested = "xcb";
    QList<QByteArray> usable;
    for (const QByteArray &entry : requested.split(';')) {
        const QByteArray spec = entry.trimmed();
        // Options follow the name after a colon ("offscreen:fontengine=...").
        const int colon = spec.indexOf(':');
        const PlatformProbe *probe = findProbe(colon < 0 ? spec : spec.left(colon));
        if (probe != nullptr && pluginInstalled(probe->pluginFile) && probe->reachable())
            usable << spec;
    }
    return usable.join(';');
}

} // namespace ravenet
