#pragma once

#include <QDialog>
#include <memory>

#include "app/Settings.h"

namespace Ui {
class MySqlDialog;
}

// The connection of the PHP engine's server database, edited apart from the Script page so that the
// page stays as small as the other engines need it.
class MySqlDialog : public QDialog {
    Q_OBJECT

public:
    MySqlDialog(const ProfileSettings& profile, QWidget* parent = nullptr);
    ~MySqlDialog() override;
    // The fields into the profile's connection settings.
    void store(ProfileSettings& profile) const;
    // The connection settings alone, from one profile into another.
    static void Copy(const ProfileSettings& from, ProfileSettings& to);

private:
    std::unique_ptr<Ui::MySqlDialog> m_ui;
};
