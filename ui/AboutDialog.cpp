#include "ui/AboutDialog.h"

#include <QIcon>

#include "app/ProductInfo.h"
#include "platform/Shell.h"
#include "ui/ResourceIds.h"
#include "ui_AboutDialog.h"

namespace {
QString linkText(const QString& target, const QString& shown) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(target.toHtmlEscaped(), shown.toHtmlEscaped());
}
} // namespace

CAboutDialog::CAboutDialog(const std::string& applicationTitle, Shell& shell, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CAboutDialog>()), m_shell(shell) {
    LoadFindlarkResources();
    m_ui->setupUi(this);
    const QIcon icon(QString::fromLatin1(IconPaths::Application));
    setWindowIcon(icon);
    m_ui->iconLabel->setPixmap(icon.pixmap(QSize(48, 48), devicePixelRatio()));
    m_ui->titleText->setText(QString::fromUtf8(applicationTitle));
    QFont titleFont = m_ui->titleText->font();
    titleFont.setBold(true);
    m_ui->titleText->setFont(titleFont);

    const QString web = QString::fromUtf8(ProductInfo::kWebAddress);
    const QString mail = QString::fromUtf8(ProductInfo::kSupportEmail);
    m_ui->webLink->setText(linkText(web, web));
    m_ui->mailLink->setText(linkText(QStringLiteral("mailto:") + mail, mail));
    // Links go through the program's shell, like every other address it opens.
    connect(m_ui->webLink, &QLabel::linkActivated, this, &CAboutDialog::openLink);
    connect(m_ui->mailLink, &QLabel::linkActivated, this, &CAboutDialog::openLink);
    setFixedSize(sizeHint().expandedTo(QSize(340, 200)));
}

CAboutDialog::~CAboutDialog() = default;

void CAboutDialog::openLink(const QString& link) {
    m_shell.open(link.toStdString());
}
