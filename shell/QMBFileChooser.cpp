#include "shell/QMBFileChooser.h"

#include <QFileDialog>

namespace QMBFileChooser {

namespace {
OpenChooser& openChooser()
{
    static OpenChooser chooser;
    return chooser;
}

SaveChooser& saveChooser()
{
    static SaveChooser chooser;
    return chooser;
}
} // namespace

QStringList chooseFilesToOpen(QWidget* window, const QString& title, const QString& nameFilter,
                              bool allowsMultipleSelection)
{
    if (openChooser())
        return openChooser()(window, title, nameFilter, allowsMultipleSelection);
    if (allowsMultipleSelection)
        return QFileDialog::getOpenFileNames(window, title, QString(), nameFilter);
    const QString path = QFileDialog::getOpenFileName(window, title, QString(), nameFilter);
    return path.isEmpty() ? QStringList() : QStringList{path};
}

QString chooseFileToSave(QWidget* window, const QString& title, const QString& suggestedPath, const QString& nameFilter)
{
    if (saveChooser())
        return saveChooser()(window, title, suggestedPath, nameFilter);
    const QString path = QFileDialog::getSaveFileName(window, title, suggestedPath, nameFilter);
    return path.isEmpty() ? QString() : path;
}

void setOpenChooser(OpenChooser chooser)
{
    openChooser() = std::move(chooser);
}

void setSaveChooser(SaveChooser chooser)
{
    saveChooser() = std::move(chooser);
}

} // namespace QMBFileChooser
