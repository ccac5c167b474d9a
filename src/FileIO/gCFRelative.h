// A file named by its place below one of the application's two base folders: the bundle's
// Contents folder (flag 0) or the folder that holds the bundle (any other flag). The relative
// text is stored; the absolute path is made each time the path is read.
#pragma once

#include "FileIO/gCFPath.h"

class gCFRelative : public gCFPath {
public:
    gCFRelative();
    // ":" and "\" in the text become "/".
    gCFRelative(const gCString& text, uint32_t flag);
    gCFRelative(const gCFRelative& other) = default;
    ~gCFRelative() override = default;

    // Text emptied, type and creator '????', flag back to 0.
    eResultCode Clear() override;
    // Whether something exists at the resolved text.
    int32_t Exists() const override;
    eResultCode SetPath(gCString text) override;
    // The base folder joined with the relative text; empty when unset.
    gCString GetPath() const override;

    // Copies the stored relative text (not the resolved one), type, creator and flag.
    gCFRelative& operator=(const gCFRelative& other);

    uint32_t GetBaseFlag() const { return mBaseFlag; }
    void SetBaseFlag(uint32_t flag) { mBaseFlag = flag; }
    // The relative text as stored.
    gCString GetRelativeText() const { return mPath.IsNull() ? gCString(u"") : mPath; }

protected:
    // A part replacement works on the resolved text; the result is stored relative to the base
    // folder again, so the base is not put in front twice. A result outside the base is refused
    // (eBadParameter).
    eResultCode StoreComposedPath(const gCString& text) override;

private:
    uint32_t mBaseFlag = 0;
};
