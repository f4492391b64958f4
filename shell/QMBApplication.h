#pragma once
// The application object. Its one addition to the platform's: the editing commands "selectAll:"
// and "paste:", when they are aimed at the front document's description view, go to that
// document's HTML editor, which selects within the description and may refuse a paste. Every
// other action takes the ordinary way (dw::sendActionOrdinarily). Main thread.
//
// The editor's owner installs the route once the description editor exists:
//
//     QMBApplication::setDescriptionEditorRoute(std::make_shared<DescriptionEditorRoute>());

#include <QApplication>
#include <QString>
#include <memory>

// What the front document's description editor answers for the two routed commands.
class QMBDescriptionEditorRoute
{
public:
    virtual ~QMBDescriptionEditorRoute() = default;
    // Whether the receiver the ordinary dispatch would choose (or, when none would, the focus
    // widget) is the description view of the front-most document.
    virtual bool isFrontDescriptionView(QObject* target) const = 0;
    virtual void selectAll(QObject* sender) = 0;
    // False refuses the paste.
    virtual bool shouldPasteWithSender(QObject* sender) = 0;
};

class QMBApplication : public QApplication
{
    Q_OBJECT

public:
    // Installs sendAction() as the dispatcher of every menu and toolbar action.
    QMBApplication(int& argc, char** argv);
    ~QMBApplication() override;

    // The application's dispatch of an action such as "paste:" (see above); true when it was taken.
    // Callable without a QMBApplication (tests).
    static bool sendAction(const QString& action, QObject* target, QObject* sender);

    // An assertion (or another exception) that escapes an event handler ends that event with a
    // console line instead of the program.
    bool notify(QObject* receiver, QEvent* event) override;

    // Null removes the route: every action then takes the ordinary way.
    static void setDescriptionEditorRoute(std::shared_ptr<QMBDescriptionEditorRoute> route);
    static std::shared_ptr<QMBDescriptionEditorRoute> descriptionEditorRoute();
};
