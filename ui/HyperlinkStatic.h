#pragma once

#include <QColor>
#include <QLabel>

class MessageService;
class Shell;

// A label that works as a hyperlink to its own text: underlined, blue, magenta while the mouse is over
// it, with the hand cursor. A click opens the text as an address, or starts a mail message to it when it
// holds an "@". The label takes the focus from the keyboard as well, where Space or Enter opens it.
class CHyperlinkStatic : public QLabel {
    Q_OBJECT

public:
    static inline const QColor kNormalColor{0, 0, 238};
    static inline const QColor kHoverColor{255, 0, 255};
    // Shown when no mail program takes the message.
    static constexpr const char* kMailFailure = "发送邮件失败！\n"
                                                "系统未安装邮件处理程序，或未设置缺省的邮件处理程序！！\n\n";

    explicit CHyperlinkStatic(QWidget* parent = nullptr);

    // The shell that opens the link and the service that reports a failed mail message; both must
    // outlive the label. Until they are set a click does nothing.
    void setServices(Shell& shell, MessageService& messages);

    bool hovering() const { return m_hover; }
    // What a click asks the shell to open.
    static std::string target(const QString& text);
    // Opens the link, as a click does.
    void open();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void setHover(bool hover);
    void underlineFont();

    bool m_hover = false;
    Shell* m_shell = nullptr;
    MessageService* m_messages = nullptr;
};
