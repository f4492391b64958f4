#include "updater/QMUpdateAlertController.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

QString localized(const char* text)
{
    return dw::localized(text, "QMUpdater");
}

// A browser that fetches nothing: notes from the server must not read local files or reach out.
class NotesBrowser final : public QTextBrowser
{
public:
    explicit NotesBrowser(QWidget* parent) : QTextBrowser(parent)
    {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [](const QUrl& url) {
            if (url.scheme() == u"http" || url.scheme() == u"https" || url.scheme() == u"mailto")
                QDesktopServices::openUrl(url);
        });
    }
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

} // namespace

QMUpdateAlertController::QMUpdateAlertController(const QMRelease& release, QWidget* parent)
    : QDialog(parent), m_release(release)
{
    setObjectName(QStringLiteral("updaterAlertPanel"));
    setWindowTitle(localized("Software Update"));

    auto* icon = new QLabel(this);
    const QPixmap picture = dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64));
    if (!picture.isNull())
        icon->setPixmap(picture);
    icon->setAlignment(Qt::AlignTop);

    auto* heading = new QLabel(localized("A new version of %1 is available!").arg(release.applicationName), this);
    heading->setObjectName(QStringLiteral("headingLabel"));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    heading->setFont(bold);
    auto* title = new QLabel(release.title, this);
    title->setObjectName(QStringLiteral("titleLabel"));
    auto* notesLabel = new QLabel(localized("Release Notes:"), this);
    QFont smallBold = notesLabel->font();
    smallBold.setBold(true);
    notesLabel->setFont(smallBold);

    auto* notes = new NotesBrowser(this);
    notes->setObjectName(QStringLiteral("releaseNotesBrowser"));
    notes->setHtml(QString::fromUtf8(release.releaseNotes));
    notes->setMinimumHeight(200);
    auto* conditions = new NotesBrowser(this);
    conditions->setObjectName(QStringLiteral("updateConditionsBrowser"));
    conditions->setHtml(QString::fromUtf8(release.updateConditions));
    conditions->setMaximumHeight(90);
    conditions->setVisible(!release.updateConditions.isEmpty());

    auto* skip = new QPushButton(localized("Skip This Version"), this);
    skip->setObjectName(QStringLiteral("skipButton"));
    auto* later = new QPushButton(localized("Remind Me Later"), this);
    later->setObjectName(QStringLiteral("remindLaterButton"));
    auto* install = new QPushButton(localized("Install Update"), this);
    install->setObjectName(QStringLiteral("installButton"));
    install->setDefault(true);
    connect(skip, &QPushButton::clicked, this, [this] { endWithChoice(SkipThisVersion); });
    connect(later, &QPushButton::clicked, this, [this] { endWithChoice(RemindMeLater); });
    connect(install, &QPushButton::clicked, this, [this] { endWithChoice(InstallUpdate); });
    // Closing the window is a "later": the update must not stay in progress with no window.
    connect(this, &QDialog::rejected, this, [this] { endWithChoice(RemindMeLater); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(skip);
    buttons->addStretch(1);
    buttons->addWidget(later);
    buttons->addWidget(install);

    auto* column = new QVBoxLayout;
    column->addWidget(heading);
    column->addWidget(title);
    column->addSpacing(8);
    column->addWidget(notesLabel);
    column->addWidget(notes, 1);
    column->addWidget(conditions);
    column->addSpacing(8);
    column->addLayout(buttons);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 16);
    layout->setSpacing(16);
    layout->addWidget(icon);
    layout->addLayout(column, 1);
    resize(620, 440);
}

void QMUpdateAlertController::endWithChoice(int choice)
{
    if (m_ended)
        return;
    m_ended = true;
    close();
    Q_EMIT finishedWithChoice(choice);
}
