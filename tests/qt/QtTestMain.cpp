// The main of the Qt tests: one QApplication for every test, on the offscreen platform unless
// the caller chose another, with the editor's own look so that sizes match the real program.
#include "hosts/qt/Desktop.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WT_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define WT_HAS_ASAN 1
#endif

#ifdef WT_HAS_ASAN
// Qt, fontconfig and the graphics libraries keep caches for the life of the process; they are
// not leaks of the editor.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6\nleak:libfontconfig\nleak:libfreetype\nleak:libglib\nleak:libdbus\n"
           "leak:libportaudio\nleak:libasound\n";
}
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    wt::ConfigureLook(application);
    return RUN_ALL_TESTS();
}
