#pragma once
// A small stand-in for the spreadsheet application's automation object: it
// offers the calls the Excel export makes and writes a real .xlsx workbook.
// The cells are kept until SaveAs, which writes the workbook whole, unless
// WriteRowsInto says the sheet is long: its rows are then written as they come.
#include <QString>
#include <memory>
#include <vector>

class ExcelApplication {
public:
    // A new workbook with one empty worksheet.
    void WorkbooksAdd();
    void SetSheetName(const QString& name);
    // Row and column counted from 1, as the spreadsheet counts them; the value
    // is stored as text.
    void SetCell(int row, int column, const QString& text);
    // The same for a number, shown with two decimals.
    void SetNumberCell(int row, int column, double value);
    // Before the first cell: the workbook will be saved as fileName and have
    // lastRow rows. Above ConstantMemoryRows its rows are written one by one as
    // they are set, in ascending order, so a long sheet is never held in memory;
    // false (with ErrorString) when the workbook cannot be started.
    bool WriteRowsInto(const QString& fileName, int lastRow);
    // Writes the workbook to fileName; false (with ErrorString) when it fails.
    bool SaveAs(const QString& fileName);
    // Drops the workbook without saving.
    void Quit();
    QString ErrorString() const { return error_; }
    // Cells of the last workbook whose text passed the format's limit of 32,767
    // characters: they were written cut, ending in CutMark().
    int CutCells() const { return cutCells_; }
    static QString CutMark() { return QStringLiteral("\u2026[cut]"); }
    // text as a cell can hold it; cut tells whether it was shortened.
    static QString CellText(const QString& text, bool* cut);

    // Above this many rows the workbook is written row by row with the strings
    // inline, so that a long file list is not held in memory twice more.
    int ConstantMemoryRows = 50000;

    ExcelApplication();
    ~ExcelApplication();

private:
    struct Cell {
        int row;
        int column;
        QString text;
        bool isNumber = false;
        double number = 0;
    };
    struct Workbook;
    void CheckCell(int row, int column) const;
    void AddCell(Cell cell);
    // Writes cells sorted by row and column; of two for one cell the later counts.
    bool WriteCells(Workbook& book, const std::vector<Cell>& cells);
    bool Finish(std::unique_ptr<Workbook> book, const QString& fileName);
    bool open_ = false;
    QString sheetName_;
    std::vector<Cell> cells_; // all of them, or the current row when written row by row
    std::unique_ptr<Workbook> streaming_;
    QString streamTarget_;
    QString error_;
    int cutCells_ = 0;
};
