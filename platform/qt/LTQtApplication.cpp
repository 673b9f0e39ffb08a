// Qt's application object and the environment around it.

#include "platform/qt/LTQtApplication.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QGuiApplication>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

// Fontconfig keeps its configuration in allocations it never frees; every
// program that draws text through Qt would otherwise fail its leak check.
// Defined beside the application's bootstrap, which every such program
// reaches.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

namespace lectern {

namespace {

// One name and argument list for every application made here.
int appArgc = 1;
char appName[] = "lectern";
char* appArgv[] = {appName, nullptr};

}  // namespace

void PrepareQtEnvironment() {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    // Off-screen work needs no session directory; a private one keeps Qt
    // from warning about its absence on every run of a tool.
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/lectern-runtime-" + QByteArray::number(getuid());
    if (mkdir(dir.constData(), 0700) == 0 || errno == EEXIST) qputenv("XDG_RUNTIME_DIR", dir);
  }
}

// The applications are kept until exit on purpose: destroying them from a
// static destructor races Qt's own clean-up.

void EnsureQtGuiApplication() {
  if (QCoreApplication::instance()) return;
  PrepareQtEnvironment();
  static QGuiApplication* app = new QGuiApplication(appArgc, appArgv);
  (void)app;
}

void EnsureQtApplication() {
  if (QCoreApplication::instance()) return;
  PrepareQtEnvironment();
  static QApplication* app = new QApplication(appArgc, appArgv);
  (void)app;
}

}  // namespace lectern
