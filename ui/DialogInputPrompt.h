#pragma once

#include <QPointer>
#include <QWidget>

#include "app/InputPrompt.h"

// Asks through the input dialog, owned by the given window.
class DialogInputPrompt : public InputPrompt {
public:
    explicit DialogInputPrompt(QWidget* owner = nullptr);
    std::optional<std::string> ask(const std::string& caption, const std::string& label,
                                   const std::string& hint, const std::string& initial) override;

private:
    QPointer<QWidget> m_owner;
};
