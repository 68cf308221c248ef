#include "core/export/ExcelApplication.h"
#include "core/export/WholeFile.h"
#include "platform/Errors.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <algorithm>
#include <xlsxwriter.h>

void ExcelApplication::WorkbooksAdd() {
    open_ = true;
    sheetName_.clear();
    cells_.clear();
}

void ExcelApplication::SetSheetName(const QString& name) {
    if (!open_) throw EMorvaneError(QStringLiteral("No workbook is open"));
    sheetName_ = name;
}

void ExcelApplication::CheckCell(int row, int column) const {
    if (!open_) throw EMorvaneError(QStringLiteral("No workbook is open"));
    if (row < 1 || column < 1 || row > 1048576 || column > 16384)
        throw EMorvaneError(
            QStringLiteral("Cell %1, %2 is outside the worksheet").arg(row).arg(column));
}

void ExcelApplication::SetCell(int row, int column, const QString& text) {
    CheckCell(row, column);
    cells_.push_back({row, column, text});
}

void ExcelApplication::SetNumberCell(int row, int column, double value) {
    CheckCell(row, column);
    cells_.push_back({row, column, QString(), true, value});
}

bool ExcelApplication::SaveAs(const QString& fileName) {
    error_.clear();
    if (!open_) {
        error_ = QStringLiteral("No workbook is open");
        return false;
    }
    if (fileName.isEmpty()) {
        error_ = QStringLiteral("No file name given");
        return false;
    }
    // The library writes to a path itself: write a file beside the target and
    // put it in the target's place only when the workbook is complete.
    // A device or pipe is written into, never replaced: build the workbook in
    // the temporary folder then.
    const QFileInfo fi(fileName);
    const QString folder = IsSpecialTarget(fileName) ? QDir::tempPath() : fi.absolutePath();
    QTemporaryFile tmp(folder + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".XXXXXX"));
    tmp.setAutoRemove(false);
    if (!tmp.open()) {
        error_ = tmp.errorString();
        return false;
    }
    const QString tmpPath = tmp.fileName();
    tmp.close();

    auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(cells_.begin(), cells_.end(), before))
        std::stable_sort(cells_.begin(), cells_.end(), before);
    int lastRow = cells_.empty() ? 0 : cells_.back().row;

    lxw_workbook_options options{};
    options.constant_memory = lastRow > ConstantMemoryRows ? LXW_TRUE : LXW_FALSE;
    const QByteArray path = QFile::encodeName(tmpPath);
    lxw_workbook* wb = workbook_new_opt(path.constData(), &options);
    bool ok = wb != nullptr;
    if (!ok) error_ = QStringLiteral("Cannot create the workbook");
    lxw_worksheet* ws = nullptr;
    if (ok) {
        const QByteArray name = sheetName_.toUtf8();
        ws = workbook_add_worksheet(wb, name.isEmpty() ? nullptr : name.constData());
        if (!ws) {
            ok = false;
            error_ = QStringLiteral("Invalid worksheet name \"%1\"").arg(sheetName_);
        }
    }
    lxw_format* twoDecimals = nullptr;
    if (ok) {
        twoDecimals = workbook_add_format(wb);
        if (twoDecimals) format_set_num_format(twoDecimals, "0.00");
    }
    // A later value for the same cell replaces the earlier one.
    for (size_t i = 0; ok && i < cells_.size(); ++i) {
        const Cell& c = cells_[i];
        if (i + 1 < cells_.size() && cells_[i + 1].row == c.row && cells_[i + 1].column == c.column)
            continue;
        const auto row = lxw_row_t(c.row - 1);
        const auto col = lxw_col_t(c.column - 1);
        lxw_error err = LXW_NO_ERROR;
        if (c.isNumber) {
            err = worksheet_write_number(ws, row, col, c.number, twoDecimals);
        } else {
            if (c.text.isEmpty()) continue;
            const QByteArray text = c.text.toUtf8();
            err = worksheet_write_string(ws, row, col, text.constData(), nullptr);
        }
        if (err != LXW_NO_ERROR) {
            ok = false;
            error_ = QString::fromUtf8(lxw_strerror(err));
        }
    }
    if (wb) {
        const lxw_error err = workbook_close(wb); // frees wb in every case
        if (ok && err != LXW_NO_ERROR) {
            ok = false;
            error_ = QString::fromUtf8(lxw_strerror(err));
        }
    }
    if (!ok) {
        QFile::remove(tmpPath);
        return false;
    }
    if (!ReplaceWithFile(tmpPath, fileName, &error_)) return false;
    return true;
}

void ExcelApplication::Quit() {
    open_ = false;
    sheetName_.clear();
    cells_.clear();
}
