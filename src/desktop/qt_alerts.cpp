#include "desktop/qt_alerts.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

#include "desktop/qt_controls.h"

namespace qs::qt {

int QtMessageBox::ShowStop(const std::string& caption, const std::string& text) {
    const QString shownText = ToDisplayText(text);
    std::fprintf(stderr, "%s\n", shownText.toLocal8Bit().constData());
    std::fflush(stderr);

    QMessageBox box(QMessageBox::Critical, ToDisplayText(caption), shownText, QMessageBox::Ok,
                    parent_.data());
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("stopMessageBox"));
    ModalScope scope;
    box.exec();
    return kOkButton;
}

bool QtMessageBox::AskYesNo(const std::string& caption, const std::string& text) {
    QMessageBox box(QMessageBox::Question, ToDisplayText(caption), ToDisplayText(text),
                    QMessageBox::Yes | QMessageBox::No, parent_.data());
    box.setDefaultButton(QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("questionMessageBox"));
    ModalScope scope;
    return box.exec() == QMessageBox::Yes;
}

void QtBeeper::Beep() {
    QApplication::beep();
}

}  // namespace qs::qt
