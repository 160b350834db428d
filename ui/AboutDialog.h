#pragma once

#include <QDialog>
#include <memory>
#include <string>

class Shell;

namespace Ui {
class CAboutDialog;
}

// The About box: the application's icon and title, the maker's web address and support e-mail
// address as links opened through the shell, and the maker's notice.
class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    CAboutDialog(const std::string& applicationTitle, Shell& shell, QWidget* parent = nullptr);
    ~CAboutDialog() override;

private:
    void openLink(const QString& link);

    std::unique_ptr<Ui::CAboutDialog> m_ui;
    Shell& m_shell;
};
