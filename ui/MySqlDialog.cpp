#include "ui/MySqlDialog.h"

#include "ui_MySqlDialog.h"

MySqlDialog::MySqlDialog(const ProfileSettings& profile, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::MySqlDialog>()) {
    m_ui->setupUi(this);
    m_ui->hostEdit->setText(QString::fromStdString(profile.MySqlHost));
    m_ui->portEdit->setValue(profile.MySqlPort);
    m_ui->socketEdit->setText(QString::fromStdString(profile.MySqlSocket));
    m_ui->databaseEdit->setText(QString::fromStdString(profile.MySqlDatabase));
    m_ui->userEdit->setText(QString::fromStdString(profile.MySqlUser));
    m_ui->passwordFileEdit->setText(QString::fromStdString(profile.MySqlPasswordFile));
    m_ui->searchConfigEdit->setText(QString::fromStdString(profile.MySqlSearchConfig));
}

MySqlDialog::~MySqlDialog() = default;

void MySqlDialog::store(ProfileSettings& profile) const {
    profile.MySqlHost = m_ui->hostEdit->text().toStdString();
    profile.MySqlPort = m_ui->portEdit->value();
    profile.MySqlSocket = m_ui->socketEdit->text().toStdString();
    profile.MySqlDatabase = m_ui->databaseEdit->text().toStdString();
    profile.MySqlUser = m_ui->userEdit->text().toStdString();
    profile.MySqlPasswordFile = m_ui->passwordFileEdit->text().toStdString();
    profile.MySqlSearchConfig = m_ui->searchConfigEdit->text().toStdString();
}

void MySqlDialog::Copy(const ProfileSettings& from, ProfileSettings& to) {
    to.MySqlHost = from.MySqlHost;
    to.MySqlPort = from.MySqlPort;
    to.MySqlSocket = from.MySqlSocket;
    to.MySqlDatabase = from.MySqlDatabase;
    to.MySqlUser = from.MySqlUser;
    to.MySqlPasswordFile = from.MySqlPasswordFile;
    to.MySqlSearchConfig = from.MySqlSearchConfig;
}
