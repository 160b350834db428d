#include "ui/AboutDialog.h"

#include <QIcon>
#include <QLabel>

#include "app/ProductInfo.h"
#include "ui/HyperlinkStatic.h"
#include "ui/ResourceIds.h"
#include "ui_AboutDialog.h"

CAboutDialog::CAboutDialog(const std::string& applicationTitle, const std::string& dataFolder, Shell& shell,
                           MessageService& messages, QWidget* parent)
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
    // Where the index, the address history, new templates and the default output folder are kept.
    auto* dataText = new QLabel(QStringLiteral("Data folder: ") + QString::fromUtf8(dataFolder), this);
    dataText->setObjectName(QStringLiteral("dataFolderText"));
    dataText->setTextFormat(Qt::PlainText);
    dataText->setWordWrap(true);
    dataText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_ui->textColumn->insertWidget(m_ui->textColumn->indexOf(m_ui->noticeText) + 1, dataText);
    setFixedSize(sizeHint().expandedTo(QSize(340, 200)));
}

CAboutDialog::~CAboutDialog() = default;
