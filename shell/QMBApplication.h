#pragma once
// The application object.

#include <QApplication>

class QMBApplication : public QApplication
{
    Q_OBJECT

public:
    QMBApplication(int& argc, char** argv);
};
