// Handing files and addresses to the system, and the open, save and choose-folder questions.
// Launch and URL failures are 9; a cancelled dialog is 2, a dialog failure 24. Nothing here shows
// anything to the user of its own.
//
// Toolkit surface, kept for programs built on the toolkit; the updater does not call it:
// ChooseFolderDialog and PutFileDialog.
#pragma once

#include "FileIO/gCFile.h"
#include "core/eResultCode.h"
#include "core/gCString.h"

class gCBasePath;
class gCFPath;
class gCFRef;
class gCFolderRef;
class gCFTypeList;
struct sNavReply;

// Opens the item at the path with the system: a bundle or program starts, a document or folder
// opens in its application. eFileNotFound when nothing exists at the path itself or the launch
// fails.
eResultCode LaunchFile(const gCString& path);
eResultCode LaunchFile(const gCFPath& path);
eResultCode LaunchFile(const gCBasePath& path);
// The arguments are accepted and not passed on: launched programs get none.
eResultCode LaunchFile(const gCBasePath& path, const gCString& arguments);
eResultCode LaunchFile(const gCString& path, const gCString& arguments);
// eFileNotFound when the text is not a URL or cannot be handed over; eFileOpenError when no program
// could open it.
eResultCode OpenURL(const gCString& url);

eResultCode ChooseFolderDialog(gCFolderRef& folder);
// The dialog starts at the reference's path and sets it to the chosen file; eBadParameter for an
// empty answer.
eResultCode ChooseOpenFile(gCFRef& ref, gCFTypeList* types);
eResultCode ChooseSaveFile(gCFRef& ref, gCFTypeList* types);
// A dialog only when the reference is not set; then the file is opened with the access.
eResultCode OpenOrChooseFile(gCFile& file, gCFRef& ref, gCFTypeList* types, gCFile::eAccessState state);
eResultCode OpenOrChooseSaveFile(gCFile& file, gCFRef& ref, gCFTypeList* types, gCFile::eAccessState state);
// The plain save question: the answer goes into reply for the caller to read. Always 0.
eResultCode PutFileDialog(gCFPath& path, sNavReply* reply);
