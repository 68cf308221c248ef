#include "core/export/ExcelApplication.h"
#include "core/export/WholeFile.h"
#include "platform/Errors.h"
#include "platform/NativePath.h"
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

// A workbook being written into a temporary file beside its target. The
// library writes to a path itself: the target is replaced only once it is
// complete. A device or pipe is written into, never replaced: the workbook is
// built in the temporary folder then.
struct ExcelApplication::Workbook {
    QString tmpPath;
    lxw_workbook* wb = nullptr;
    lxw_worksheet* ws = nullptr;
    lxw_format* twoDecimals = nullptr;

    ~Workbook() {
        if (!wb) return;
        workbook_close(wb);
        ::unlink(NativePath(tmpPath).constData());
    }
    // Closes the library's workbook; false when it could not be written.
    bool Close(QString* error) {
        const lxw_error err = workbook_close(wb); // frees wb in every case
        wb = nullptr;
        if (err == LXW_NO_ERROR) return true;
        *error = QString::fromUtf8(lxw_strerror(err));
        ::unlink(NativePath(tmpPath).constData());
        return false;
    }

    static std::unique_ptr<Workbook> Open(const QString& fileName, const QString& sheetName,
                                          bool constantMemory, QString* error) {
        const QString folder = IsSpecialTarget(fileName) ? TempFolder() : FolderOf(fileName);
        QByteArray path = NativePath(folder + QStringLiteral("/.morvane-book-XXXXXX"));
        const int fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (fd < 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            return nullptr;
        }
        ::close(fd);
        auto book = std::make_unique<Workbook>();
        book->tmpPath = PathFromNative(path);
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        book->wb = workbook_new_opt(path.constData(), &options);
        if (!book->wb) {
            *error = QStringLiteral("Cannot create the workbook");
            ::unlink(path.constData());
            return nullptr;
        }
        const QByteArray name = sheetName.toUtf8();
        book->ws = workbook_add_worksheet(book->wb, name.isEmpty() ? nullptr : name.constData());
        if (!book->ws) {
            *error = QStringLiteral("Invalid worksheet name \"%1\"").arg(sheetName);
            return nullptr;
        }
        book->twoDecimals = workbook_add_format(book->wb);
        if (book->twoDecimals) format_set_num_format(book->twoDecimals, "0.00");
        return book;
    }
};

namespace {
// The format's limit of characters in one cell.
constexpr qsizetype kCellLimit = 32767;
} // namespace

QString ExcelApplication::CellText(const QString& text, bool* cut) {
    *cut = text.size() > kCellLimit;
    if (!*cut) return text;
    // UTF-16 units, never fewer than the characters the limit counts; a pair is not split.
    qsizetype keep = kCellLimit - CutMark().size();
    if (text.at(keep - 1).isHighSurrogate()) --keep;
    return text.left(keep) + CutMark();
}

ExcelApplication::ExcelApplication() = default;
ExcelApplication::~ExcelApplication() = default;

void ExcelApplication::WorkbooksAdd() {
    open_ = true;
    cutCells_ = 0;
    sheetName_.clear();
    cells_.clear();
    streaming_.reset();
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

bool ExcelApplication::WriteRowsInto(const QString& fileName, int lastRow) {
    error_.clear();
    streaming_.reset();
    if (!open_ || lastRow <= ConstantMemoryRows) return open_;
    if (fileName.isEmpty()) {
        error_ = QStringLiteral("No file name given");
        return false;
    }
    streaming_ = Workbook::Open(fileName, sheetName_, true, &error_);
    streamTarget_ = fileName;
    return streaming_ != nullptr;
}

void ExcelApplication::AddCell(Cell cell) {
    CheckCell(cell.row, cell.column);
    if (streaming_ && !cells_.empty() && cells_.back().row != cell.row) {
        if (cell.row < cells_.back().row)
            throw EMorvaneError(QStringLiteral("Row %1 comes after row %2 of a long sheet")
                                    .arg(cell.row)
                                    .arg(cells_.back().row));
        const bool ok = WriteCells(*streaming_, cells_);
        cells_.clear();
        if (!ok) throw EMorvaneError(error_);
    }
    cells_.push_back(std::move(cell));
}

void ExcelApplication::SetCell(int row, int column, const QString& text) {
    AddCell({row, column, text});
}

void ExcelApplication::SetNumberCell(int row, int column, double value) {
    AddCell({row, column, QString(), true, value});
}

bool ExcelApplication::WriteCells(Workbook& book, const std::vector<Cell>& unsorted) {
    auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    const std::vector<Cell>* cells = &unsorted;
    std::vector<Cell> sorted;
    if (!std::is_sorted(unsorted.begin(), unsorted.end(), before)) {
        sorted = unsorted;
        std::stable_sort(sorted.begin(), sorted.end(), before);
        cells = &sorted;
    }
    for (size_t i = 0; i < cells->size(); ++i) {
        const Cell& c = (*cells)[i];
        if (i + 1 < cells->size() && (*cells)[i + 1].row == c.row &&
            (*cells)[i + 1].column == c.column)
            continue;
        const auto row = lxw_row_t(c.row - 1);
        const auto col = lxw_col_t(c.column - 1);
        lxw_error err = LXW_NO_ERROR;
        if (c.isNumber) {
            err = worksheet_write_number(book.ws, row, col, c.number, book.twoDecimals);
        } else {
            if (c.text.isEmpty()) continue;
            // One overlong path must not cost the whole workbook: it is cut, with a mark.
            bool cut = false;
            const QByteArray text = CellText(c.text, &cut).toUtf8();
            if (cut) ++cutCells_;
            err = worksheet_write_string(book.ws, row, col, text.constData(), nullptr);
        }
        if (err != LXW_NO_ERROR) {
            error_ = QString::fromUtf8(lxw_strerror(err));
            return false;
        }
    }
    return true;
}

bool ExcelApplication::Finish(std::unique_ptr<Workbook> book, const QString& fileName) {
    if (!book->Close(&error_)) return false;
    return ReplaceWithFile(book->tmpPath, fileName, &error_);
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
    if (streaming_) {
        if (fileName != streamTarget_) {
            error_ = QStringLiteral("The workbook is being written to %1").arg(streamTarget_);
            return false;
        }
        const bool ok = WriteCells(*streaming_, cells_);
        cells_.clear();
        if (!ok) {
            streaming_.reset();
            return false;
        }
        return Finish(std::move(streaming_), fileName);
    }
    auto before = [](const Cell& a, const Cell& b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(cells_.begin(), cells_.end(), before))
        std::stable_sort(cells_.begin(), cells_.end(), before);
    const int lastRow = cells_.empty() ? 0 : cells_.back().row;
    std::unique_ptr<Workbook> book =
        Workbook::Open(fileName, sheetName_, lastRow > ConstantMemoryRows, &error_);
    if (!book || !WriteCells(*book, cells_)) return false;
    return Finish(std::move(book), fileName);
}

void ExcelApplication::Quit() {
    open_ = false;
    sheetName_.clear();
    cells_.clear();
    streaming_.reset();
}
