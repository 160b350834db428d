#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace Ui {
class WebFontDialog;
}

// Chooses a font for the result page: a face a web page can name and a size in points. The faces offered
// are the generic families every browser knows and the common web fonts, not the fonts of this desktop,
// whose names (and the desktop's own aliases such as "Sans Serif") mean nothing to a visitor's browser;
// any other name, or a list of names, may be typed.
class WebFontDialog : public QDialog {
    Q_OBJECT

public:
    // The generic families first, then the common web fonts.
    static const QStringList& offeredFaces();
    // The face as a web page names it: spaces trimmed and runs of them made one, the desktop's aliases
    // of the generic families turned into those families, and quotes and angle brackets (which would end
    // the name inside the page) left out. Empty when nothing is left.
    static QString webFace(const QString& typed);

    WebFontDialog(const QString& face, int points, QWidget* parent = nullptr);
    ~WebFontDialog() override;

    // What the user chose, valid after OK.
    QString face() const;
    int points() const;

private:
    void updateChoice();

    std::unique_ptr<Ui::WebFontDialog> m_ui;
};

// The Output page's font dialog: the font the user chose, with the face as a web page names it as its
// family and the whole points as its size, or nothing on Cancel.
std::optional<QFont> ChooseWebFont(QWidget* owner, const QFont& initial);
