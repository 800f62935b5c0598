#pragma once
// A document's picture to and from its file, as File Save, Save As and the close question share
// it: the Save dialog, the writing, and the telling of a failure.
#include <windows.h>

#include <string>

class frmDocument;
class MainWindow;

// Shows the Save dialog proposing `name`; the chosen path, or "" when the user left it.
std::wstring AskSaveName(MainWindow& main, const std::wstring& name);

// Writes the document's picture; on failure the user is told and nothing about the window
// changes.
bool WriteImage(frmDocument& document, const std::wstring& path);

// The File Save steps for one document window: the Save dialog for an untitled document, then
// the picture written. True when the file was written; a failure has been reported to the user.
bool SaveDocument(frmDocument& document);

// Tells the user that a file command failed, naming the file and the reason.
void ReportFileError(HWND owner, const std::string& reason);
