#pragma once

#include <memory>
#include <string>

#include "ui/OptionPage.h"

class QMenu;

namespace Ui {
class CMyPropertyPage3;
}

// The Template page: the template the search pages are made from, and the templates themselves.
class CMyPropertyPage3 : public OptionPage {
    Q_OBJECT

public:
    static constexpr const char* kNoneSelected =
        "None template is selected!\nYou must select a template name.";
    static constexpr const char* kConfirmDelete =
        "Are you sure to delete selected template?\nThis will delete all files under that template path.";
    static constexpr const char* kAddCaption = "Input template name";
    static constexpr const char* kAddLabel = "Name:";
    static constexpr const char* kAddHint =
        "(Input name of the new template to be created. Should not include \\/:*?\"<>| )";
    // The modes of EditTemplateFile, in the order of the Edit button's menu.
    enum EditMode { Notepad = 0, ShellEdit = 1, OpenWith = 2 };

    CMyPropertyPage3(Settings& settings, const std::string& templateFolder, OptionServices& services,
                     QWidget* parent = nullptr);
    ~CMyPropertyPage3() override;
    // The template choice is stored the moment it changes, so there is nothing left for OK.
    void OnOK() override {}

    void ListTemplates();
    void OnAddTemplate();
    void OnDeleteTemplate();
    void OnEditTemplate();
    void EditTemplateFile(int mode);
    void OnPreviewTemplate();
    void OnBrowseTemplates();
    QMenu* editMenu() const { return m_editMenu; }

protected:
    void OnInitDialog() override;

private:
    void onSelectionChanged(int index);
    // The selected template's name, empty without a selection.
    std::string selectedTemplate() const;
    // The file the radio buttons choose in the selected template, empty without a selection.
    std::string chosenFile() const;

    std::unique_ptr<Ui::CMyPropertyPage3> m_ui;
    std::string m_templateFolder;
    QButtonGroup* m_file;
    QMenu* m_editMenu;
};
