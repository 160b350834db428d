#pragma once

#include <memory>
#include <string>

#include "ui/OptionPage.h"

class UpDownControl;

namespace Ui {
class CMyPropertyPage2;
}

// The Files page: the file types to index, the exclusion list and the number of crawling threads.
class CMyPropertyPage2 : public OptionPage {
    Q_OBJECT

public:
    static constexpr int kMinThreads = 1;
    static constexpr int kMaxThreads = 20;
    static constexpr const char* kAddFilesFilter =
        "Possible HTML Files "
        "(*.htm,*.html,*.shtm,*.shtml,*.asp,*.php)|*.htm;*.html;*.shtm;*.shtml;*.asp;*.php;"
        "*.php3;*.php4|\t\tPossible TEXT Files (*.txt,*.rtf,*.c,*.h,*.cpp)|*.txt;*.rtf;*.c;*.h;*.cpp;*.word;"
        "*.pdf|\t\tALL Files (*.*)|*.*||";
    static constexpr const char* kAddFolderTitle = "Select the folder that you do not want to index:";
    static constexpr const char* kNotAnInteger = "Please enter an integer.";
    static constexpr const char* kOutOfRange = "Please enter an integer between %1 and %2.";

    CMyPropertyPage2(Settings& settings, OptionServices& services, QWidget* parent = nullptr);
    ~CMyPropertyPage2() override;
    void OnOK() override;
    bool OnKillActive() override;

    void OnAddFiles();
    void OnAddFolder();
    void OnAddUrl();
    void OnDelete();

protected:
    void OnInitDialog() override;

private:
    void addEntry(const std::string& entry);

    std::unique_ptr<Ui::CMyPropertyPage2> m_ui;
    UpDownControl* m_threadUpDown;
};
