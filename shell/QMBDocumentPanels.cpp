#include "shell/QMBDocumentPanels.h"

#include "model/QMItemShippingOptions.h"
#include "panels/QMAddItemProgressPanelController.h"
#include "panels/QMAttributePanelController.h"
#include "panels/QMCategoryPanelController.h"
#include "panels/QMCreateLinkPanelController.h"
#include "panels/QMFeePanelController.h"
#include "panels/QMReturnPolicyViewController.h"
#include "panels/QMShippingOptionsPanelController.h"
#include "shell/QMBPreferencesPanelController.h"
#include "shell/QMTokenPanelController.h"

namespace {
const QMBDocumentPanels* s_installed = nullptr;
}

QMBDocumentPanels::QMBDocumentPanels()
    : showCategoryPanel([](qint64 selected, qint64 siteID, QWidget* window) {
          return QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(selected, siteID, window);
      }),
      showAttributePanel(&QMAttributePanelController::runSheetForWindow),
      showShippingOptionsPanel([](QWidget* window, const std::shared_ptr<QMItemShippingOptions>& options,
                                  const QVariantList& domestic, const QVariantList& international,
                                  const QVariantList& shipTo, bool calculated, bool additional, const QString& siteID) {
          // Not from the preferences; the document has no discount profiles.
          return QMShippingOptionsPanelController::runSheetForWindow(window, options, domestic, international, shipTo,
                                                                     calculated, additional, siteID, false, {}, {});
      }),
      showReturnPolicySheet(&QMReturnPolicyViewController::runSheetForItems),
      showCreateLinkPanel(&QMCreateLinkPanelController::showCreateLinkPanelForSelectedString),
      showFeePanel(&QMFeePanelController::showFeePanelForFeeDictionary),
      displayErrorPanel(&QMAddItemProgressPanelController::displayPanelForError),
      showTokenPanel([](const QString& accountName, const QString& accountID, QWidget* window) {
          QMTokenPanelController::runTokenPanelModalForAccountName(accountName, accountID, true, window);
      }),
      showImageServicePreferences([](QWidget*) {
          auto& preferences = QMBPreferencesPanelController::sharedPreferencesPanelController();
          preferences.showWindow();
          preferences.changeToViewAtIndex(QMBPreferencesPanelController::ImageServerPane, true);
      })
{}

const QMBDocumentPanels& QMBDocumentPanels::current()
{
    static const QMBDocumentPanels real;
    return s_installed ? *s_installed : real;
}

QMBDocumentPanels::ScopedInstall::ScopedInstall(const QMBDocumentPanels& panels) : m_previous(s_installed)
{
    s_installed = &panels;
}

QMBDocumentPanels::ScopedInstall::~ScopedInstall()
{
    s_installed = m_previous;
}
