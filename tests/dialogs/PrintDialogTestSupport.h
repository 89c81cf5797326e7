// Helpers of the print dialog tests: the records the component printer hands
// to the dialog, and a run of the dialog driven through its controls.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <functional>

#include "dialogs/PrintDialog.h"
#include "tests/ModalAnswers.h"

// The two records, as the component printer fills them for a 10-page report.
struct DialogRecords {
  TdxPrintDialogData dialog;
  TdxPrintDlgEvents events;
  TdxPrintDlgData data;
  DialogRecords() {
    dialog.MinPage = 1;
    dialog.MaxPage = 10;
    dialog.PageCount = 10;
    data.DialogData = &dialog;
    data.Events = &events;
    data.Title = "Print";
    data.ButtonsEnabled = data.ButtonsVisible = pdbAll;
    data.OptionsEnabled = data.OptionsVisible = pdoPrintToFile | pdoAllPages | pdoCurrentPage | pdoPageRange;
    data.Validate = true;
  }
};

// Shows the dialog on the records; drive works it through its controls and
// closes it. Answers the dialog's answer.
inline bool RunPrintDialog(DialogRecords& records, const std::function<void(TdxfmPrintDialog&)>& drive) {
  int runs = 0;
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& dialog) {
    ++runs;
    QApplication::setActiveWindow(&dialog);
    drive(dialog);
  });
  const bool result = dxShowPrintDialog(records.data);
  AnswerModal<TdxfmPrintDialog>({});
  EXPECT_LE(runs, 1);
  return result;
}
