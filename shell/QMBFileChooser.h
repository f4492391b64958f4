#pragma once
// The file choosers of the document commands (open, save as, add pictures), behind a seam that
// tests script: they install their own chooser functions and nothing blocks on a real dialog.
// Without one installed, Qt's file dialogs run modally on the window. Main thread.
//
//     QMBFileChooser::setSaveChooser([&](auto&&...) { return path; });

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace QMBFileChooser {

// The chosen files, or none when the user cancelled.
using OpenChooser = std::function<QStringList(QWidget* window, const QString& title, const QString& nameFilter,
                                              bool allowsMultipleSelection)>;
// The chosen path, or a null string when the user cancelled.
using SaveChooser = std::function<QString(QWidget* window, const QString& title, const QString& suggestedPath,
                                          const QString& nameFilter)>;

QStringList chooseFilesToOpen(QWidget* window, const QString& title, const QString& nameFilter,
                              bool allowsMultipleSelection);
QString chooseFileToSave(QWidget* window, const QString& title, const QString& suggestedPath,
                         const QString& nameFilter);

// An empty function goes back to Qt's dialogs.
void setOpenChooser(OpenChooser chooser);
void setSaveChooser(SaveChooser chooser);

} // namespace QMBFileChooser
