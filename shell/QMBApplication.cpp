#include "shell/QMBApplication.h"

QMBApplication::QMBApplication(int& argc, char** argv) : QApplication(argc, argv) {}
