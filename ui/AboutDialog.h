#pragma once

#include <QDialog>
#include <memory>
#include <string>

class MessageService;
class Shell;

namespace Ui {
class CAboutDialog;
}

// The About box: the application's icon and title, the maker's web address and support e-mail
// address as hyperlinks opened through the shell, and the maker's notice.
class CAboutDialog : public QDialog {
    Q_OBJECT

public:
    // The links open through `shell`; a mail link that no program takes is reported to `messages`.
    CAboutDialog(const std::string& applicationTitle, const std::string& dataFolder, Shell& shell,
                 MessageService& messages, QWidget* parent = nullptr);
    ~CAboutDialog() override;

private:
    std::unique_ptr<Ui::CAboutDialog> m_ui;
};
