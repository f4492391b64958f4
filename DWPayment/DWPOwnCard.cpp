#include "DWPayment/DWPOwnCard.h"

#include "DWPayment/DWPLog.h"

#include "platform/core/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <climits>
#include <gio/gio.h>
#include <memory>

namespace {

// --- vCard text ---

// Splits at every `separator` that no backslash escapes; the pieces keep their escapes.
QStringList splitUnescaped(const QString& text, QChar separator)
{
    QStringList pieces;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            current += c;
            current += text.at(++i);
        } else if (c == separator) {
            pieces.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    pieces.append(current);
    return pieces;
}

QString unescaped(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        out += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
    }
    return out;
}

// One component of a structured value; a component's list items are joined with ", ".
QString component(const QStringList& components, qsizetype index)
{
    if (index >= components.size())
        return QString();
    QStringList items;
    for (const QString& item : splitUnescaped(components.at(index), u',')) {
        const QString text = unescaped(item).trimmed();
        if (!text.isEmpty())
            items.append(text);
    }
    return items.join(QStringLiteral(", "));
}

struct ContentLine
{
    QString name;      // upper case, without its group
    QStringList types; // lower case
    int preference = INT_MAX;
    QString value;
};

// "[group.]NAME[;param...]:value"; parameter values may be quoted and hold ":" or ";".
std::optional<ContentLine> parseLine(const QString& line)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line.at(i) == u'"')
            quoted = !quoted;
        else if (line.at(i) == u':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0)
        return std::nullopt;
    ContentLine result;
    result.value = line.mid(colon + 1);
    QStringList parts;
    QString current;
    quoted = false;
    for (const QChar c : QStringView(line).left(colon)) {
        if (c == u'"')
            quoted = !quoted;
        else if (c == u';' && !quoted) {
            parts.append(current);
            current.clear();
        } else
            current += c;
    }
    parts.append(current);
    result.name = parts.takeFirst().section(u'.', -1).trimmed().toUpper();
    for (const QString& parameter : parts) {
        const qsizetype equals = parameter.indexOf(u'=');
        const QString key = equals < 0 ? QStringLiteral("TYPE") : parameter.left(equals).trimmed().toUpper();
        const QString value = equals < 0 ? parameter : parameter.mid(equals + 1);
        if (key == u"TYPE") {
            for (const QString& type : value.split(u','))
                result.types.append(type.trimmed().toLower());
        } else if (key == u"PREF") {
            bool ok = false;
            const int rank = value.trimmed().toInt(&ok);
            if (ok)
                result.preference = std::min(result.preference, rank);
        }
    }
    // The older form marks the preferred entry with a type; it ranks after any numbered preference.
    if (result.types.contains(QStringLiteral("pref")))
        result.preference = std::min(result.preference, 100);
    return result;
}

QString labelFor(const QStringList& types)
{
    for (const char* label : {"home", "work", "other"})
        if (types.contains(QLatin1String(label)))
            return QString::fromLatin1(label);
    return QString();
}

void append(DWPMultiValue& multiValue, QList<int>& preferences, const ContentLine& line, const QVariant& value)
{
    multiValue.entries.append({labelFor(line.types), value});
    preferences.append(line.preference);
}

void choosePrimary(DWPMultiValue& multiValue, const QList<int>& preferences)
{
    if (multiValue.entries.isEmpty())
        return;
    multiValue.primaryIndex = 0;
    for (qsizetype i = 1; i < preferences.size(); ++i)
        if (preferences.at(i) < preferences.at(multiValue.primaryIndex))
            multiValue.primaryIndex = i;
}

// --- the desktop's address book service ---

template<typename T>
struct GObjectDeleter
{
    void operator()(T* object) const { g_object_unref(object); }
};
template<typename T>
using GObjectPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct VariantDeleter
{
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantDeleter>;

constexpr int kServiceTimeoutMilliseconds = 4000;
constexpr const char* kFactoryPath = "/org/gnome/evolution/dataserver/AddressBookFactory";
constexpr const char* kFactoryInterface = "org.gnome.evolution.dataserver.AddressBookFactory";
constexpr const char* kBookInterface = "org.gnome.evolution.dataserver.AddressBook";
constexpr const char* kFactoryNamePrefix = "org.gnome.evolution.dataserver.AddressBook";

// The uid of the self contact, from the service's settings; empty when the service is not
// installed or no self contact was chosen.
QByteArray selfContactUid()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return {};
    GSettingsSchema* schema =
        g_settings_schema_source_lookup(source, "org.gnome.evolution-data-server.addressbook", TRUE);
    if (!schema)
        return {};
    QByteArray uid;
    if (g_settings_schema_has_key(schema, "self-contact-uid")) {
        GObjectPtr<GSettings> settings(g_settings_new_full(schema, nullptr, nullptr));
        gchar* text = g_settings_get_string(settings.get(), "self-contact-uid");
        uid = QByteArray(text);
        g_free(text);
    }
    g_settings_schema_unref(schema);
    return uid;
}

// The session bus, only where one is running: no bus is ever launched for this.
GObjectPtr<GDBusConnection> sessionBus()
{
    QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        const QString socket = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/bus");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") || !QFileInfo(socket).exists())
            return nullptr;
        address = "unix:path=" + QFile::encodeName(socket);
    }
    GError* error = nullptr;
    GDBusConnection* bus =
        g_dbus_connection_new_for_address_sync(address.constData(),
                                               GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                    G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                               nullptr, nullptr, &error);
    if (error)
        g_error_free(error);
    return GObjectPtr<GDBusConnection>(bus);
}

VariantPtr call(GDBusConnection* bus, const char* name, const char* path, const char* interface, const char* method,
                GVariant* parameters, const char* replyType)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus, name, path, interface, method, parameters,
                                                  reinterpret_cast<const GVariantType*>(replyType),
                                                  G_DBUS_CALL_FLAGS_NONE, kServiceTimeoutMilliseconds, nullptr, &error);
    if (error) {
        qCDebug(lcPayment) << "address book service:" << error->message;
        g_error_free(error);
    }
    return VariantPtr(reply);
}

// The factory's bus name carries the service's interface version ("...AddressBook10"); the
// newest one running or installed is used.
QByteArray factoryBusName(GDBusConnection* bus)
{
    QByteArray best;
    int bestVersion = -1;
    for (const char* method : {"ListNames", "ListActivatableNames"}) {
        const VariantPtr reply =
            call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method, nullptr, "(as)");
        if (!reply)
            continue;
        GVariantIter* names = nullptr;
        g_variant_get(reply.get(), "(as)", &names);
        const gchar* name = nullptr;
        while (g_variant_iter_next(names, "&s", &name)) {
            const QByteArray text(name);
            if (!text.startsWith(kFactoryNamePrefix))
                continue;
            bool ok = false;
            const int version = text.mid(qsizetype(strlen(kFactoryNamePrefix))).toInt(&ok);
            if (ok && version > bestVersion) {
                bestVersion = version;
                best = text;
            }
        }
        g_variant_iter_free(names);
    }
    return best;
}

std::optional<QByteArray> selfContactFromService()
{
    const QByteArray uid = selfContactUid();
    if (uid.isEmpty())
        return std::nullopt;
    const GObjectPtr<GDBusConnection> bus = sessionBus();
    if (!bus)
        return std::nullopt;
    const QByteArray factory = factoryBusName(bus.get());
    if (factory.isEmpty())
        return std::nullopt;
    const VariantPtr opened = call(bus.get(), factory.constData(), kFactoryPath, kFactoryInterface, "OpenAddressBook",
                                   g_variant_new("(s)", "system-address-book"), "(ss)");
    if (!opened)
        return std::nullopt;
    const gchar* objectPath = nullptr;
    const gchar* busName = nullptr;
    g_variant_get(opened.get(), "(&s&s)", &objectPath, &busName);
    if (!g_variant_is_object_path(objectPath) || !g_dbus_is_name(busName))
        return std::nullopt;
    if (!call(bus.get(), busName, objectPath, kBookInterface, "Open", nullptr, "(as)"))
        return std::nullopt;
    const VariantPtr contact = call(bus.get(), busName, objectPath, kBookInterface, "GetContact",
                                    g_variant_new("(s)", uid.constData()), "(s)");
    (void)call(bus.get(), busName, objectPath, kBookInterface, "Close", nullptr, "()");
    if (!contact)
        return std::nullopt;
    const gchar* vcard = nullptr;
    g_variant_get(contact.get(), "(&s)", &vcard);
    return QByteArray(vcard);
}

} // namespace

bool findFirstMatch(const DWPMultiValue& multiValue, const QString& label, qsizetype* index)
{
    for (qsizetype i = 0; i < multiValue.entries.size(); ++i) {
        if (multiValue.entries.at(i).label == label) {
            if (index)
                *index = i;
            return true;
        }
    }
    return false;
}

std::optional<DWPOwnCard> DWPOwnCard::fromVCard(const QByteArray& text)
{
    // Unfold: a line that begins with a blank continues the one before.
    QStringList lines;
    for (QString line : QString::fromUtf8(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if ((line.startsWith(u' ') || line.startsWith(u'\t')) && !lines.isEmpty())
            lines.last() += QStringView(line).mid(1);
        else
            lines.append(line);
    }
    DWPOwnCard card;
    QList<int> emailPreferences;
    QList<int> addressPreferences;
    bool inCard = false;
    bool found = false;
    for (const QString& raw : lines) {
        const auto line = parseLine(raw);
        if (!line)
            continue;
        if (line->name == u"BEGIN" && line->value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0) {
            inCard = true;
            found = true;
            continue;
        }
        if (!inCard)
            continue;
        if (line->name == u"END")
            break;
        if (line->name == u"N") {
            const QStringList parts = splitUnescaped(line->value, u';');
            card.lastName = component(parts, 0);
            card.firstName = component(parts, 1);
        } else if (line->name == u"EMAIL") {
            const QString address = unescaped(line->value).trimmed();
            if (!address.isEmpty())
                append(card.emails, emailPreferences, *line, address);
        } else if (line->name == u"ADR") {
            const QStringList parts = splitUnescaped(line->value, u';');
            QVariantMap address;
            const std::pair<const char*, qsizetype> fields[] = {
                {kDWPAddressStreetKey, 2}, {kDWPAddressCityKey, 3}, {kDWPAddressZIPKey, 5}};
            for (const auto& [key, index] : fields) {
                const QString value = component(parts, index);
                if (!value.isEmpty())
                    address.insert(QString::fromLatin1(key), value);
            }
            append(card.addresses, addressPreferences, *line, address);
        }
    }
    if (!found)
        return std::nullopt;
    choosePrimary(card.emails, emailPreferences);
    choosePrimary(card.addresses, addressPreferences);
    return card;
}

QString DWPOwnCard::vCardPath()
{
    return dw::paths::dataHome() + QStringLiteral("/DWPayment/me.vcf");
}

std::optional<DWPOwnCard> DWPOwnCard::me()
{
    if (const auto vcard = selfContactFromService())
        if (auto card = fromVCard(*vcard))
            return card;
    QFile file(vCardPath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // An own card is a few hundred bytes; a photo may make it larger, never this large.
    return fromVCard(file.read(4 * 1024 * 1024));
}
