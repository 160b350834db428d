#include "ui/MessageBoxService.h"

#include <QApplication>
#include <QMessageBox>

#include "app/ProductInfo.h"
#include "ui/MainThreadCall.h"

MessageBoxService::MessageBoxService(QWidget* owner) : m_owner(owner) {}

void MessageBoxService::showMessage(const std::string& text) {
    showMessage(text, ProductInfo::kName);
}

void MessageBoxService::showMessage(const std::string& text, const std::string& caption) {
    CallOnOwnerThread(qApp, [this, &text, &caption] {
        QMessageBox box(QMessageBox::Warning, QString::fromUtf8(caption), QString::fromUtf8(text),
                        QMessageBox::Ok, m_owner);
        // Messages quote paths and template markers; none of it is markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    });
}
