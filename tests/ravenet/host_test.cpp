// A host program without a QApplication: the library brings its own for the
// call, or returns RAVENET_FAILED when no window can be opened, instead of
// letting Qt end the process.
#include <QCoreApplication>
#include <QDialog>
#include <clocale>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialog_driver.h"
#include "pin_buffers.h"
#include "ravenet.h"

using namespace ravenet_test;

namespace {

// Runs once in the next QCoreApplication constructor: the only moment a host
// without an application of its own can reach the one a call creates.
std::function<void()> g_atApplicationStart;

void runAtApplicationStart()
{
    if (g_atApplicationStart) {
        auto pending = std::move(g_atApplicationStart);
        g_atApplicationStart = nullptr;
        pending();
    }
}

const bool g_hookInstalled = (qAddPreRoutine(runAtApplicationStart), true);

// Sets or clears environment variables for one scope.
class Environment {
public:
    Environment(std::initializer_list<std::pair<const char *, const char *>> values)
    {
        for (const auto &[name, value] : values) {
            const char *old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            value ? setenv(name, value, 1) : unsetenv(name);
        }
    }
    ~Environment()
    {
        for (const auto &[name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(HostWithoutApplication, NoUsablePlatformFailsInsteadOfAborting)
{
    ASSERT_TRUE(g_hookInstalled);
    struct Case {
        const char *platform;
        const char *display;
        const char *wayland;
    };
    const std::vector<Case> cases = {
        {"xcb", nullptr, nullptr},
        {"xcb", ":97", nullptr}, // no X server answers there
        {"wayland", nullptr, "ravenet-no-compositor"},
        {"eglfs", nullptr, nullptr}, // cannot be checked before it starts
        {"no-such-platform", nullptr, nullptr},
        {"xcb;no-such-platform", nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.platform) + " DISPLAY=" + (c.display ? c.display : "(unset)"));
        Environment env({{"QT_QPA_PLATFORM", c.platform}, {"DISPLAY", c.display}, {"WAYLAND_DISPLAY", c.wayland}});
        PinBuffer pin;
        EXPECT_EQ(Ravenet_ShowDialog(pin.bytes, &pin.length), RAVENET_FAILED);
        EXPECT_TRUE(pin.untouchedFrom(0));
        EXPECT_EQ(QCoreApplication::instance(), nullptr);
    }
}

TEST(HostWithoutApplication, GetsAnApplicationForEachCall)
{
    // The first usable platform of the list is taken. Qt sets the C locale
    // from LC_ALL when it starts; the host's own must come back.
    Environment env({{"QT_QPA_PLATFORM", "no-such-platform;offscreen"}, {"LC_ALL", "C.UTF-8"}});
    ASSERT_STREQ(std::setlocale(LC_ALL, "C"), "C");
    for (const char *pin : {"first-call", "second-call"}) {
        SCOPED_TRACE(pin);
        g_atApplicationStart = [pin] {
            onDialogShown([pin](QDialog *dialog) {
                typeInto(dialog, "pinEdit", pin);
                EXPECT_FALSE(pressOk(dialog).has_value());
            });
        };
        PinBuffer buffer;
        EXPECT_EQ(Ravenet_ShowDialog(buffer.bytes, &buffer.length), RAVENET_OK);
        EXPECT_EQ(buffer.stored(), pin);
        EXPECT_EQ(QCoreApplication::instance(), nullptr) << "the call's own application must be gone";
        EXPECT_FALSE(g_atApplicationStart);
        EXPECT_STREQ(std::setlocale(LC_ALL, nullptr), "C");
    }
}

TEST(HostWithoutApplication, OtherThreadFailsWhileACallRuns)
{
    Environment env({{"QT_QPA_PLATFORM", "offscreen"}});
    int otherResult = 0;
    g_atApplicationStart = [&otherResult] {
        onDialogShown([&otherResult](QDialog *dialog) {
            std::thread other([&otherResult] {
                PinBuffer pin;
                otherResult = Ravenet_ShowDialog(pin.bytes, &pin.length);
            });
            other.join();
            pressCancel(dialog);
        });
    };
    PinBuffer pin;
    EXPECT_EQ(Ravenet_ShowDialog(pin.bytes, &pin.length), RAVENET_CANCELLED);
    EXPECT_EQ(otherResult, RAVENET_FAILED);
}

TEST(HostWithoutApplication, NonWidgetApplicationFails)
{
    Environment env({{"QT_QPA_PLATFORM", "offscreen"}});
    int argc = 1;
    char name[] = "host";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    PinBuffer a, b;
    EXPECT_EQ(ResetPIN_ShowDialog(a.bytes, &a.length, b.bytes, &b.length), RAVENET_FAILED);
    EXPECT_EQ(QCoreApplication::instance(), &app);
}

} // namespace
