#include "ui/MyPropertySheet.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSignalBlocker>

#include "app/FindlarkApp.h"
#include "app/SettingsPersistence.h"
#include "ui/MyPropertyPage1.h"
#include "ui/MyPropertyPage2.h"
#include "ui/MyPropertyPage3.h"
#include "ui/MyPropertyPage4.h"
#include "ui/MyPropertyPage5.h"
#include "ui/MyPropertyPage6.h"
#include "ui_MyPropertySheet.h"

CMyPropertySheet::CMyPropertySheet(Settings& settings, const AppPaths& paths, OptionServices& services,
                                   QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CMyPropertySheet>()) {
    m_ui->setupUi(this);
    m_pages = {new CMyPropertyPage6(settings, services),
               new CMyPropertyPage1(settings, services),
               new CMyPropertyPage2(settings, services),
               new CMyPropertyPage3(settings, paths.templateFolder, services),
               new CMyPropertyPage5(settings, services),
               new CMyPropertyPage4(settings, services)};
    const char* const titles[PageCount] = {"Script", "Links", "Files", "Template", "Search", "Output"};
    for (int page = Script; page < PageCount; ++page)
        m_ui->tabs->addTab(m_pages[page], QString::fromUtf8(titles[page]));
    m_ui->tabs->setCurrentIndex(Script);
    // Enter anywhere on a page is OK, as in any dialog; the page buttons take it only when focused.
    m_ui->buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(m_ui->tabs, &QTabWidget::currentChanged, this, &CMyPropertySheet::onTabChanged);
}

CMyPropertySheet::~CMyPropertySheet() = default;

QTabWidget* CMyPropertySheet::tabs() const {
    return m_ui->tabs;
}

void CMyPropertySheet::onTabChanged(int index) {
    if (index == m_active)
        return;
    if (!m_pages[m_active]->OnKillActive()) {
        const QSignalBlocker blocker(m_ui->tabs);
        m_ui->tabs->setCurrentIndex(m_active);
        return;
    }
    m_active = index;
    growToFit();
}

void CMyPropertySheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    growToFit();
}

void CMyPropertySheet::growToFit() {
    // A page fills its labels when first shown, which can make it wider than the sheet was made for.
    // The new sizes travel up the layouts as posted requests; they are settled before measuring.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    resize(size().expandedTo(minimumSizeHint()));
}

void CMyPropertySheet::accept() {
    if (!m_pages[m_active]->OnKillActive())
        return;
    for (OptionPage* page : m_pages)
        if (page->shown())
            page->OnOK();
    QDialog::accept();
}

bool CMyPropertySheet::EditActiveOption(CFindlarkApp& app, OptionServices& services, QWidget* parent) {
    CMyPropertySheet sheet(app.settings, app.paths, services, parent);
    sheet.setWindowTitle(QString::fromUtf8(app.settings.currentProfileName() + " - Options"));
    if (sheet.exec() != QDialog::Accepted)
        return false;
    SettingsPersistence::SaveSettings(app.settings, app.store());
    return true;
}
