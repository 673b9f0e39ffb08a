// Terrabook: the report-template editor.

#include "app/TerrabookPaths.h"
#include "terrabook/TerrabookWindow.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The desktop entry and the icon an installation puts in place; without
  // them (in the build folder) the window simply has no icon.
  QGuiApplication::setDesktopFileName("terrabook");
  QApplication::setWindowIcon(QIcon::fromTheme("terrabook"));

  std::string note;
  lectern::TTerrabookFiles files =
      lectern::LocateTerrabookFiles(QCoreApplication::applicationDirPath().toStdString(), &note);
  lectern::TTerrabookWindow window(std::move(files));
  window.show();
  window.Start();
  if (!note.empty()) {
    // Once the window is up, like the problems Start reports.
    QTimer::singleShot(0, &window, [&window, text = QString::fromStdString(note)] {
      QMessageBox::information(&window, QStringLiteral("Terrabook"), text);
    });
  }
  return QApplication::exec();
}
