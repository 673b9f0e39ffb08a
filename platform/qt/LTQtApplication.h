#pragma once
// The one place where the process meets Qt's application object: the
// environment an off-screen run needs, and the application made on demand
// for tools and tests that measure, paint or open widgets without a
// desktop. Programs with a window of their own make their QApplication
// themselves after PrepareQtEnvironment.

namespace lectern {

/// Off-screen platform and a private runtime folder unless the
/// environment names others; called before the first Qt application.
void PrepareQtEnvironment();

/// Creates the process's QGuiApplication if there is none, on the
/// "offscreen" platform unless QT_QPA_PLATFORM says otherwise. For tools
/// and tests that measure or paint without a window; it lives until exit.
void EnsureQtGuiApplication();

/// The same with a QApplication, for tests and tools that need widgets.
/// Call it before anything makes a QGuiApplication.
void EnsureQtApplication();

}  // namespace lectern
