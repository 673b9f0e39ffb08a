// Terrabook: the report-template editor.

#include "terrabook/TerrabookWindow.h"

#include <QApplication>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const std::string dir = QCoreApplication::applicationDirPath().toStdString() + "/";
  lectern::TTerrabookWindow window(dir);
  window.show();
  window.Start();
  return QApplication::exec();
}
