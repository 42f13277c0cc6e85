#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/alerts.h"
#include "qtcore/modal_scope.h"

namespace qs::qt {

// QMessageBox with the critical icon and one OK button. The text also goes to standard
// error, so that a technician who started the program from a terminal keeps a copy.
class QtMessageBox : public IMessageBox {
public:
    static constexpr int kOkButton = 1;
    void setParent(QWidget* parent) { parent_ = parent; }
    int ShowStop(const std::string& caption, const std::string& text) override;
    // QMessageBox with the question icon, Yes and No, No the default.
    bool AskYesNo(const std::string& caption, const std::string& text) override;

private:
    QPointer<QWidget> parent_;
};

class QtBeeper : public IBeeper {
public:
    void Beep() override;
};

}  // namespace qs::qt
