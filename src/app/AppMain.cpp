#include "app/AppMain.h"

#include "app/AppGlobals.h"
#include "app/CAppMac.h"
#include "app/CMacWindow.h"
#include "app/ReportError.h"
#include "FileIO/CSystemPath.h"
#include "platform/Cursor.h"
#include "platform/EventDispatch.h"
#include "platform/EventLoop.h"
#include "platform/Process.h"
#include "platform/SdlEventSource.h"

#include <string_view>
#include <utility>

namespace {

CAppMac* Application() { return static_cast<CAppMac*>(gApplication); }

// Keeps the first launch document in memory from the hooks and only counts the others.
class LaunchDocuments final : public plat::PathReceiver {
public:
    bool TakePath(const char* path) override { return mCount++ > 0 || mFirst.TakePath(path); }
    size_t GetCount() const { return mCount; }
    const char* GetFirst() const { return mFirst.Get(); }

private:
    CSystemPath mFirst;
    size_t mCount = 0;
};

// The launch event: the documents given at launch, or the application alone.
void OpenAtLaunch()
{
    LaunchDocuments documents;
    const bool held = plat::GetLaunchDocuments(documents) == plat::eFileResult::kOk;
    if (documents.GetCount() == 0) {
        (void)OpenApplicationHandler();
        return;
    }
    // A first document that cannot be held is not opened, but the application still starts.
    const char* first = documents.GetFirst();
    (void)OpenDocumentsHandler(&first, held ? 1 : 0);
}

// The application cleans the text it is handed as a shell or a launcher may leave it: blanks, then
// double quotes, from both ends. Done here first, so that they are never taken into the path made
// absolute below. Both sets are ASCII, so the UTF-8 bytes can be trimmed as they are.
std::string_view CleanedDocumentText(std::string_view text)
{
    auto trim = [](std::string_view part, std::string_view set) {
        const size_t first = part.find_first_not_of(set);
        if (first == std::string_view::npos)
            return std::string_view();
        return part.substr(first, part.find_last_not_of(set) - first + 1);
    };
    return trim(trim(text, " \t\n\r"), "\"");
}

// The text handed to the application for a document: the file's own path when it can be
// found. When it cannot, the cleaned text made absolute so it cannot name another file from
// another folder: the application then says what it did not find.
eResultCode DocumentPathText(const char* document, gCString& path)
{
    const std::string_view text = CleanedDocumentText(document);
    gCString cleaned;
    PNU_TRY(cleaned.SetFromUTF8(text));
    // Fewer than two units (blanks and quotes alone among them) and the word a slave copy may be
    // started with name no document for the application: handed over as they are, never looked up.
    if (cleaned.GetLength() < 2 || cleaned == "slave") {
        path = std::move(cleaned);
        return eSuccess;
    }
    CSystemPath name;
    PNU_TRY(name.Set(cleaned));
    CSystemPath resolved;
    const plat::eFileResult found = plat::CanonicalPath(name.Get(), resolved);
    if (found == plat::eFileResult::kOk)
        return path.SetFromUTF8(resolved.Get());
    if (found == plat::eFileResult::kNoMemory)
        return eNoMemory;
    if (text[0] == '/') {
        path = std::move(cleaned);
        return eSuccess;
    }
    CSystemPath folder;
    if (plat::GetWorkingFolder(folder) != plat::eFileResult::kOk)
        return eFileNotFound;
    PNU_TRY(path.SetFromUTF8(folder.Get()));
    if (path.GetLength() == 0 || path.GetText()[path.GetLength() - 1] != u'/')
        PNU_TRY(path.Append(u"/"));
    return path.Append(cleaned);
}

} // namespace

int32_t OpenApplicationHandler()
{
    CMacWindow::DispatchScope scope;
    if (CAppMac* app = Application())
        (void)app->StartApplication(gCString(u""));
    return 0;
}

int32_t OpenDocumentsHandler(const char* const* documents, size_t count)
{
    CMacWindow::DispatchScope scope;
    gCString path(u"");
    if (count > 0 && DocumentPathText(documents[0], path) != eSuccess)
        path = gCString(u"");
    CAppMac* app = Application();
    if (!app)
        return 0;
    if (app->GetStartedState() > CAppBase::kNotStarted)
        (void)app->RouteMessage(kOpenDocumentMessage, uintptr_t(app), uintptr_t(&path));
    else
        (void)app->StartApplication(path);
    return 0;
}

void DispatchPlatformEvent(const plat::sEvent& event)
{
    CAppMac* app = Application();
    if (!app)
        return;
    CMacWindow::DispatchScope scope;
    switch (event.kind) {
    case plat::eEventKind::kWindowExposed:
        app->PostUpdateEvent();
        return;
    case plat::eEventKind::kFilesDropped:
        // The drop handler is there only once the application runs.
        if (app->GetStartedState() == CAppBase::kStarted)
            (void)app->ReceiveDrag(event);
        return;
    default:
        break;
    }
    int32_t result = kEventNotHandled;
    if (event.windowId)
        if (CMacWindow* window = CMacWindow::FindByPlatformId(event.windowId))
            result = window->HandleEvent(event);
    if (result == kEventNotHandled)
        (void)app->AppEventHandler(event);
}

int32_t RequestQuit()
{
    if (gApplication)
        gApplication->Quit();
    return 0;
}

int AppMain(int argc, char** argv)
{
    plat::SetCommandLine(argc, argv);
    plat::InitCursor();
    plat::EventLoop& loop = plat::EventLoop::Main();
    plat::SetEventHandler(DispatchPlatformEvent);
    if (!loop.GetEventSource())
        loop.SetEventSource(&plat::SdlEventSource::Get());
    uint32_t timer = loop.AddTimer(0, kHeartbeatInterval, [] {
        if (CAppMac* app = Application())
            app->HeartbeatTimerFired();
    });
    // The launch event arrives once the loop runs.
    loop.Post(OpenAtLaunch);

    if (!gApplication) {
        ReportError(eCreateFailed,
                    "Have you remembered to remove 'dead strip static init' from CodeWarrior's PPC Linker?");
        loop.RemoveTimer(timer);
        loop.Reset();
        return -1;
    }
    loop.Run();
    int status = 0;
    if (CAppMac* app = Application()) {
        app->Quit();
        status = app->GetExitStatus();
    }
    loop.RemoveTimer(timer);
    plat::SetEventHandler(nullptr);
    return status;
}
