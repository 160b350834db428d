#include "ui/AboutDialog.h"

#include <QIcon>

#include "app/ProductInfo.h"
#include "ui/HyperlinkStatic.h"
#include "ui/ResourceIds.h"
#include "ui_AboutDialog.h"

CAboutDialog::CAboutDialog(const std::string& applicationTitle, Shell& shell, MessageService& messages,
                           QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDialog>()) {
    LoadFindlarkResources();
    m_ui->setupUi(this);
    const QIcon icon(QString::fromLatin1(IconPaths::Application));
    setWindowIcon(icon);
    m_ui->iconLabel->setPixmap(icon.pixmap(QSize(48, 48), devicePixelRatio()));
    m_ui->titleText->setText(QString::fromUtf8(applicationTitle));
    QFont titleFont = m_ui->titleText->font();
    titleFont.setBold(true);
    m_ui->titleText->setFont(titleFont);

    // Each link's text is its target; they open through the program's shell, like every other address
    // it opens.
    m_ui->webLink->setText(QString::fromUtf8(ProductInfo::kWebAddress));
    m_ui->mailLink->setText(QString::fromUtf8(ProductInfo::kSupportEmail));
    for (CHyperlinkStatic* link : {m_ui->webLink, m_ui->mailLink})
        link->setServices(shell, messages);
    setFixedSize(sizeHint().expandedTo(QSize(340, 200)));
}

CAboutDialog::~CAboutDialog() = default;
