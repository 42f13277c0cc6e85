#include "desktop/run_info_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace qs::qt {

namespace {

constexpr int kMaxFieldLength = 120;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string Trimmed(const QLineEdit* edit) {
    return edit->text().trimmed().toStdString();
}

}  // namespace

RunInfoDialog::RunInfoDialog(const procedure::RunInfo& last, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Run procedure"));
    auto* form = new QFormLayout(this);
    const auto field = [&](const char* label, const std::string& text, const char* hint) {
        auto* edit = new QLineEdit(Q(text), this);
        edit->setMaxLength(kMaxFieldLength);
        edit->setPlaceholderText(QString::fromLatin1(hint));
        form->addRow(QString::fromLatin1(label), edit);
        connect(edit, &QLineEdit::textChanged, this, [this] { Check(); });
        return edit;
    };
    technician_ = field("&Technician:", last.technician, "required");
    serial_ = field("Radio &serial number (label):", std::string(),
                    "required: as on this radio's label");
    workOrder_ = field("&Work order:", last.workOrder, "");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // A new radio: its serial number is the one to type.
    serial_->setFocus();
    Check();
}

void RunInfoDialog::Check() {
    ok_->setEnabled(!Trimmed(technician_).empty() && !Trimmed(serial_).empty());
}

procedure::RunInfo RunInfoDialog::info() const {
    return {Trimmed(technician_), Trimmed(serial_), Trimmed(workOrder_)};
}

}  // namespace qs::qt
