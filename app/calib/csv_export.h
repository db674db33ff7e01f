// CSV export of the results list: the default file name and folder, the text of one
// export, its Shift-JIS (CP932) form for Japanese exports, and appending it to a file
// without ever leaving a half-written file behind.
#pragma once

#include "app/calib/results_table.h"

#include <ctime>
#include <string>
#include <string_view>

// The default file name at the local time: "%4d%02d%02d%02d%02d%02d.csv" (year,
// month, day, hour, minute, second), e.g. "20240307091504.csv".
std::string CsvDefaultName(const std::tm& local);

// The default folder of CSV files: "result" in the settings folder (an empty settings
// folder means the current one, giving "result").
std::string CsvResultFolder(const std::string& szSettingsFolder);

// Creates the default folder and its missing parents; true when it exists afterwards
// (a failure is logged).
bool MakeCsvResultFolder(const std::string& szSettingsFolder);

// One export in UTF-8: the header line (English "No.,Type,Result,Unit", Japanese
// "No.,計測内容,測定値,単位"), then one line "No.,Type,Result,Unit" per row in list order,
// the number being the row's 0-based position and the other fields the row's texts
// exactly as shown (no quoting, no escaping). Every line ends with "\r\n".
std::string CsvText(const CResultsTable& table, bool bJapanese);

// Converts UTF-8 text to Shift-JIS (CP932, the code page Japanese spreadsheets read).
// Nothing is replaced or dropped: a character CP932 cannot hold, or bytes that are not
// UTF-8, make it fail with a one-line reason naming the character ("U+2603") and
// leave *pszCp932 empty. false also when the system has no CP932 converter.
bool Utf8ToCp932(std::string_view szUtf8, std::string* pszCp932, std::string* pszError);

// Appends one export of the table (header and rows; Shift-JIS when bJapanese, else
// UTF-8, which for the English texts is plain ASCII) to the file szPath, creating it
// when missing and keeping what it holds. The old contents and the export are written
// as one new file that replaces the old one by name, so a failure leaves the file
// exactly as it was and no partial file anywhere. false, with a one-line reason for the
// user in *pszError (may be null) and one line in the "files" log, when the text cannot
// be converted, an existing file cannot be read, or the file cannot be written.
bool AppendResultsCsv(const char* szPath, const CResultsTable& table, bool bJapanese, std::string* pszError);
