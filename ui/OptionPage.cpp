#include "ui/OptionPage.h"

#include <QAbstractButton>
#include <QButtonGroup>

OptionPage::OptionPage(Settings& settings, OptionServices& services, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_services(services) {}

void OptionPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    OnInitDialog();
}

QButtonGroup* OptionPage::radioGroup(QWidget* owner, std::initializer_list<QAbstractButton*> buttons) {
    auto* group = new QButtonGroup(owner);
    int value = 0;
    for (QAbstractButton* button : buttons)
        group->addButton(button, value++);
    return group;
}

void OptionPage::setRadioValue(QButtonGroup* group, int value) {
    if (QAbstractButton* button = group->button(value)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group never lets its last checked button go.
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

int OptionPage::radioValue(const QButtonGroup* group, int previous) {
    const int value = group->checkedId();
    return value < 0 ? previous : value;
}
