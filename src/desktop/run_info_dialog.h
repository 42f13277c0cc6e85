#pragma once

#include <QDialog>

#include "procedure/procedure_runner.h"

class QLineEdit;
class QPushButton;

namespace qs::qt {

// Who runs the procedure on which radio, asked before each run. The technician and the work
// order come filled in from the last run; the serial number is always typed anew from the
// radio's label, and OK stays disabled until it and the technician's name are given.
class RunInfoDialog : public QDialog {
public:
    RunInfoDialog(const procedure::RunInfo& last, QWidget* parent = nullptr);

    // What was typed, trimmed.
    procedure::RunInfo info() const;

    // Widgets, for the tests.
    QLineEdit* technicianEdit() const { return technician_; }
    QLineEdit* serialEdit() const { return serial_; }
    QLineEdit* workOrderEdit() const { return workOrder_; }
    QPushButton* okButton() const { return ok_; }

private:
    void Check();

    QLineEdit* technician_ = nullptr;
    QLineEdit* serial_ = nullptr;
    QLineEdit* workOrder_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace qs::qt
