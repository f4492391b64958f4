// dwp-cli: runs the store's checks and guesses from the command line.
//
//     dwp-cli vat ID [--endpoint URL] [--namespace URN]   asks the VAT-number service about an ID
//     dwp-cli mx DOMAIN [--nameserver HOST:PORT]          the domain's mail exchangers, best first
//     dwp-cli guess                                       the buyer-data guesses for this user
//     dwp-cli cart CATALOGUE.plist                        the cart a catalogue gives, with its preselection
//     dwp-cli store URL [--step N]                        opens the store of the web host at URL (for
//                                                         instance tools/dwp-fake-gateway) and goes on
//                                                         to step N: 1 the form, 2 the payment page (the
//                                                         buyer data stored in the user defaults, the
//                                                         terms accepted), 3 the wait after paying
//
// Exits with 0 when the ID is valid, the domain has a mail exchanger, or the catalogue gives a
// cart; with 1 and a message on standard error otherwise; with 2 on a wrong command line.

#include "DWPayment/DWPGateway.h"
#include "DWPayment/DWPMailTester.h"
#include "DWPayment/DWPPaySheetController.h"
#include "DWPayment/DWPShoppingCart.h"
#include "DWPayment/DWPUserDataOracle.h"
#include "DWPayment/DWPVatIdTester.h"
#include "DWPayment/DWPaymentController.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/MessageBoxAlertPresenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QScopeGuard>
#include <QStringList>
#include <QTimer>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>

namespace {

constexpr const char* kUsage = "usage: dwp-cli vat ID [--endpoint URL] [--namespace URN]\n"
                               "       dwp-cli mx DOMAIN [--nameserver HOST:PORT]\n"
                               "       dwp-cli guess\n"
                               "       dwp-cli cart CATALOGUE.plist\n"
                               "       dwp-cli store URL [--step 0|1|2|3]\n";

void printLine(const QString& text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
}

void printError(const QString& message)
{
    std::fprintf(stderr, "dwp-cli: %s\n", message.toLocal8Bit().constData());
}

int usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

// The value of "--name VALUE" among the arguments after the command's operand; nullopt when absent.
std::optional<QString> option(const QStringList& options, const QString& name)
{
    const qsizetype at = options.indexOf(name);
    if (at < 0 || at + 1 >= options.size())
        return std::nullopt;
    return options[at + 1];
}

bool optionsAreKnown(const QStringList& options, const QStringList& known)
{
    if (options.size() % 2 != 0)
        return false;
    for (qsizetype i = 0; i < options.size(); i += 2) {
        if (!known.contains(options[i]))
            return false;
    }
    return true;
}

int vat(const QString& id, const QStringList& options)
{
    if (!optionsAreKnown(options, {QStringLiteral("--endpoint"), QStringLiteral("--namespace")}))
        return usage();
    DWPVatServiceConfiguration configuration;
    configuration.endpoint = option(options, QStringLiteral("--endpoint")).value_or(configuration.endpoint);
    configuration.methodNamespace =
        option(options, QStringLiteral("--namespace")).value_or(configuration.methodNamespace);
    DWPVatIdTester::setServiceConfiguration(configuration);
    if (!DWPVatIdTester::isPlausibleVatId(id)) {
        printLine(QStringLiteral("not plausible"));
        return 1;
    }
    QString fault;
    if (DWPVatIdTester::isValidVatId(id, &fault)) {
        printLine(QStringLiteral("valid"));
        return 0;
    }
    if (!fault.isNull()) {
        printLine(QStringLiteral("server error during validation"));
        printError(fault);
    } else {
        printLine(QStringLiteral("not valid"));
    }
    return 1;
}

int mx(const QString& domain, const QStringList& options)
{
    if (!optionsAreKnown(options, {QStringLiteral("--nameserver")}))
        return usage();
    if (const auto nameserver = option(options, QStringLiteral("--nameserver"))) {
        if (!DWPMailTester::setNameserver(*nameserver)) {
            printError(QStringLiteral("--nameserver takes an IPv4 address and a port: %1").arg(*nameserver));
            return 2;
        }
    }
    const QStringList hosts = DWPMailTester::mailServersForDomain(domain);
    if (hosts.isEmpty()) {
        printError(QStringLiteral("%1 has no mail exchanger").arg(domain));
        return 1;
    }
    for (const QString& host : hosts)
        printLine(host);
    return 0;
}

int guess()
{
    printLine(QStringLiteral("country: ") + DWPUserDataOracle::guessUserCountry());
    printLine(QStringLiteral("language: ") + DWPUserDataOracle::guessUserLanguage());
    printLine(QStringLiteral("name: ") + DWPUserDataOracle::guessUserName());
    printLine(QStringLiteral("mail: ") + DWPUserDataOracle::guessUserMail());
    printLine(QStringLiteral("street: ") + DWPUserDataOracle::guessUserStreet());
    printLine(QStringLiteral("city: ") + DWPUserDataOracle::guessUserCity());
    printLine(QStringLiteral("zip code: ") + DWPUserDataOracle::guessUserZipCode());
    return 0;
}

int cart(const QString& path)
{
    QString error;
    const auto catalogue = dw::plist::readFile(path, &error);
    if (!catalogue) {
        printError(QStringLiteral("%1 is no property list: %2").arg(path, error));
        return 1;
    }
    const auto shoppingCart = DWPShoppingCart::shoppingCartFromPropertyList(*catalogue, nullptr, &error);
    if (!shoppingCart) {
        printError(QStringLiteral("%1: %2").arg(path, error));
        return 1;
    }
    const auto& groups = shoppingCart->saleItemGroups();
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const auto& group = groups[i];
        printLine(QStringLiteral("%1 %2 (%3) %4")
                      .arg(i)
                      .arg(group->name(),
                           group->selectionType() == DWPRadioSelectionType ? QStringLiteral("radio")
                                                                           : QStringLiteral("checkbox"),
                           group->imageURL().toString()));
        const auto selected = group->selectedSaleItems();
        for (const auto& item : group->fullItems()) {
            printLine(QStringLiteral("  [%1] %2 %3")
                          .arg(selected.contains(item) ? QStringLiteral("x") : QStringLiteral(" "))
                          .arg(item->itemID(),
                               item->itemDesc().isNull() ? QStringLiteral("(gateway's name)") : item->itemDesc()));
        }
    }
    return 0;
}

// Goes on from step to step until the step asked for, as a buyer would click.
class StoreLauncher : public DWPaymentDelegate
{
public:
    explicit StoreLauncher(int step) : m_step(step) {}
    void userDidOpenPaymentSheetForPaymentController(DWPaymentController* controller) override
    {
        DWPPaySheetController* sheet = controller->currentPayWindowController();
        if (!sheet || m_step == 0)
            return;
        QObject::connect(sheet, &DWPPaySheetController::storePageReady, sheet, [sheet] {
            if (sheet->step() == 0)
                sheet->nextAction();
        });
        if (m_step < 2)
            return;
        QObject::connect(sheet, &DWPPaySheetController::stepShown, sheet, [sheet](int shown) {
            if (shown != 1)
                return;
            if (auto* terms = qobject_cast<QAbstractButton*>(sheet->udiElement(DWPUDICheckbox, DWPUDITacTag)))
                terms->setChecked(true);
            sheet->nextAction();
            // A warning stops the first click; the buyer clicks again once the checks have answered.
            QTimer::singleShot(3000, sheet, [sheet] {
                if (sheet->step() == 1)
                    sheet->nextAction();
            });
        });
    }
    void paymentControllerUserDidCompleteTransaction(DWPaymentController* controller, DWPTransaction*,
                                                     const QVariant&) override
    {
        DWPPaySheetController* sheet = controller->currentPayWindowController();
        if (sheet && m_step >= 3)
            QTimer::singleShot(1500, sheet, [sheet] {
                if (sheet->step() == 2)
                    sheet->nextAction();
            });
    }

private:
    int m_step;
};

int store(const QString& url, const QStringList& options)
{
    if (!optionsAreKnown(options, {QStringLiteral("--step")}))
        return usage();
    const QString step = option(options, QStringLiteral("--step")).value_or(QStringLiteral("0"));
    if (step.size() != 1 || step[0] < u'0' || step[0] > u'3')
        return usage();
    // Registered, not written: the user's own configuration stays as it is.
    dw::UserDefaults::standard().registerDefaults({{QString::fromLatin1(DWPStoreBaseURLKey), url}});
    // The buyer reads the store's errors in the window, as in the application, before it closes.
    dw::MessageBoxAlertPresenter alerts;
    dw::setAlertPresenter(&alerts);
    const auto restore = qScopeGuard([] { dw::setAlertPresenter(nullptr); });
    StoreLauncher launcher(step.toInt());
    const auto controller = DWPaymentController::newPaySheetOnWindow(
        nullptr, dw::payment::catalogueURL(), dw::payment::alternatePaymentMethodsURL(), &launcher);
    return controller ? 0 : 1;
}

int run(const QStringList& arguments)
{
    if (arguments.size() < 2)
        return usage();
    const QString& command = arguments[1];
    if (command == QLatin1String("guess"))
        return arguments.size() == 2 ? guess() : usage();
    if (arguments.size() < 3)
        return usage();
    const QStringList options = arguments.mid(3);
    if (command == QLatin1String("vat"))
        return vat(arguments[2], options);
    if (command == QLatin1String("mx"))
        return mx(arguments[2], options);
    if (command == QLatin1String("cart"))
        return options.isEmpty() ? cart(arguments[2]) : usage();
    if (command == QLatin1String("store"))
        return store(arguments[2], options);
    return usage();
}

} // namespace

int main(int argc, char** argv)
{
    // Only the store needs windows.
    const bool windows = argc > 1 && QByteArrayView(argv[1]) == "store";
    if (windows)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    const std::unique_ptr<QCoreApplication> app =
        windows ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    try {
        return run(QCoreApplication::arguments());
    } catch (const std::exception& e) {
        printError(QStringLiteral("internal error: %1").arg(QString::fromUtf8(e.what())));
        return 1;
    }
}
