#include "platform/widgets/WindowFrameAutosave.h"

#include "platform/core/UserDefaults.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace dw {

namespace {

QString defaultsKey(const QString& name)
{
    return QStringLiteral("NSWindow Frame ") + name;
}

class FrameSaver : public QObject
{
public:
    FrameSaver(QWidget* window, QString name) : QObject(window), m_name(std::move(name)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide && watched == parent()) {
            const QSize size = static_cast<QWidget*>(watched)->size();
            UserDefaults::standard().setObject(QStringLiteral("%1 %2").arg(size.width()).arg(size.height()),
                                               defaultsKey(m_name));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QString m_name;
};

} // namespace

void setFrameAutosaveName(QWidget* window, const QString& name)
{
    if (!window || name.isEmpty())
        return;
    const QStringList parts =
        UserDefaults::standard().stringForKey(defaultsKey(name)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() == 2) {
        QSize size(parts.at(0).toInt(), parts.at(1).toInt());
        // A stored size from a larger screen, or nonsense, is brought back within reach.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableSize());
        if (size.width() > 0 && size.height() > 0)
            window->resize(size.expandedTo(window->minimumSize()));
    }
    auto* saver = new FrameSaver(window, name);
    window->installEventFilter(saver);
}

} // namespace dw
