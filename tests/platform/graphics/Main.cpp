// Fonts and text measures need a GUI application; the offscreen platform serves headless runs.
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!QGuiApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
            static int argc = 1;
            static char name[] = "test_graphics";
            static char* argv[] = {name, nullptr};
            app = new QGuiApplication(argc, argv);
        }
    }
    QGuiApplication* app = nullptr;
};

const auto* const gEnvironment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
