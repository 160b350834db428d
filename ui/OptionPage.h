#pragma once

#include <QWidget>

#include "app/Settings.h"
#include "ui/OptionServices.h"

class QAbstractButton;
class QButtonGroup;

// One page of the options sheet. It copies its settings into its controls the first time its tab is
// shown, and back when the sheet ends with OK; a page never shown leaves its settings alone.
class OptionPage : public QWidget {
    Q_OBJECT

public:
    OptionPage(Settings& settings, OptionServices& services, QWidget* parent);

    bool shown() const { return m_shown; }
    // The controls into the settings.
    virtual void OnOK() = 0;
    // Asked before the page is left or the sheet ends with OK while the page is active; false keeps it.
    virtual bool OnKillActive() { return true; }

protected:
    // The settings into the controls, then the page's enabling rules.
    virtual void OnInitDialog() = 0;
    void showEvent(QShowEvent* event) override;

    ProfileSettings& profile() { return m_settings.profile; }

    // A radio group whose buttons carry the values of one setting. A value without a button shows no
    // button checked; reading back keeps the old value then, until the user picks a button.
    static QButtonGroup* radioGroup(QWidget* owner, std::initializer_list<QAbstractButton*> buttons);
    static void setRadioValue(QButtonGroup* group, int value);
    static int radioValue(const QButtonGroup* group, int previous);

    Settings& m_settings;
    OptionServices& m_services;

private:
    bool m_shown = false;
};
