#include "ui/WebFontDialog.h"

#include <QCompleter>
#include <QIntValidator>
#include <QPushButton>
#include <QRegularExpression>
#include <algorithm>

#include "ui/OutputStyleText.h"
#include "ui_WebFontDialog.h"

namespace {

const int kLargestPoints = 999;

// The desktop's names for the generic families (fontconfig's and Qt's), lower-cased, with the name a web
// page uses for each.
struct Alias {
    const char* desktop;
    const char* web;
};
const Alias kAliases[] = {
    {"sans serif", "sans-serif"}, {"sans", "sans-serif"},      {"sansserif", "sans-serif"},
    {"sans-serif", "sans-serif"}, {"serif", "serif"},          {"monospace", "monospace"},
    {"mono", "monospace"},        {"monospaced", "monospace"}, {"cursive", "cursive"},
    {"fantasy", "fantasy"},
};

} // namespace

const QStringList& WebFontDialog::offeredFaces() {
    static const QStringList faces = {
        QStringLiteral("serif"),           QStringLiteral("sans-serif"),        QStringLiteral("monospace"),
        QStringLiteral("cursive"),         QStringLiteral("fantasy"),           QStringLiteral("Arial"),
        QStringLiteral("Arial Black"),     QStringLiteral("Comic Sans MS"),     QStringLiteral("Courier New"),
        QStringLiteral("Georgia"),         QStringLiteral("Helvetica"),         QStringLiteral("Impact"),
        QStringLiteral("Lucida Console"),  QStringLiteral("Palatino Linotype"), QStringLiteral("Tahoma"),
        QStringLiteral("Times New Roman"), QStringLiteral("Trebuchet MS"),      QStringLiteral("Verdana"),
    };
    return faces;
}

QString WebFontDialog::webFace(const QString& typed) {
    static const QRegularExpression unsafe(QStringLiteral("[\"'<>\\\\]"));
    QString face = typed;
    face.remove(unsafe);
    face = face.simplified();
    // A list names each face on its own; each is turned into the web's name on its own.
    QStringList names = face.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QString& name : names) {
        name = name.trimmed();
        for (const Alias& alias : kAliases)
            if (name.compare(QLatin1String(alias.desktop), Qt::CaseInsensitive) == 0)
                name = QLatin1String(alias.web);
    }
    names.removeAll(QString());
    return names.join(QStringLiteral(", "));
}

WebFontDialog::WebFontDialog(const QString& face, int points, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::WebFontDialog>()) {
    m_ui->setupUi(this);
    m_ui->faceBox->addItems(offeredFaces());
    // The stored face as it is stored, not matched to an offered one with other letter case.
    m_ui->faceBox->setCurrentText(face);
    m_ui->faceBox->completer()->setCaseSensitivity(Qt::CaseSensitive);
    for (int size = 1; size <= 7; ++size)
        m_ui->sizeBox->addItem(QString::number(OutputStyleText::HtmlSizeToPoints(size)));
    m_ui->sizeBox->setValidator(new QIntValidator(1, kLargestPoints, this));
    m_ui->sizeBox->setCurrentText(QString::number(points));
    connect(m_ui->faceBox, &QComboBox::currentTextChanged, this, &WebFontDialog::updateChoice);
    connect(m_ui->sizeBox, &QComboBox::currentTextChanged, this, &WebFontDialog::updateChoice);
    updateChoice();
}

WebFontDialog::~WebFontDialog() = default;

QString WebFontDialog::face() const {
    return webFace(m_ui->faceBox->currentText());
}

int WebFontDialog::points() const {
    return m_ui->sizeBox->currentText().toInt();
}

void WebFontDialog::updateChoice() {
    const bool valid = !face().isEmpty() && points() > 0;
    m_ui->buttons->button(QDialogButtonBox::Ok)->setEnabled(valid);
    if (!valid)
        return;
    // The desktop shows the nearest font it has, as a browser would.
    QFont shown = m_ui->preview->font();
    shown.setFamilies(face().split(QStringLiteral(", ")));
    shown.setPointSize(std::min(points(), 72));
    m_ui->preview->setFont(shown);
}

std::optional<QFont> ChooseWebFont(QWidget* owner, const QFont& initial) {
    WebFontDialog dialog(initial.family(), initial.pointSize(), owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QFont chosen;
    chosen.setFamily(dialog.face());
    chosen.setPointSize(dialog.points());
    return chosen;
}
