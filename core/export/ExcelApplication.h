#pragma once
// A small stand-in for the spreadsheet application's automation object: it
// offers the calls the Excel export makes and writes a real .xlsx workbook.
// The cells are kept until SaveAs, which writes the workbook whole.
#include <QString>
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
    // Writes the workbook to fileName; false (with ErrorString) when it fails.
    bool SaveAs(const QString& fileName);
    // Drops the workbook without saving.
    void Quit();
    QString ErrorString() const { return error_; }

    // Above this many rows the workbook is written row by row with the strings
    // inline, so that a long file list is not held in memory twice more.
    int ConstantMemoryRows = 50000;

private:
    struct Cell {
        int row;
        int column;
        QString text;
        bool isNumber = false;
        double number = 0;
    };
    void CheckCell(int row, int column) const;
    bool open_ = false;
    QString sheetName_;
    std::vector<Cell> cells_;
    QString error_;
};
