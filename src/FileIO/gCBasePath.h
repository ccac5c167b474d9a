// The root of every path object: which kind of path it is, and the path text, which is its
// identity. Texts are "/"-separated, absolute texts begin with "/", folder texts end with "/".
#pragma once

#include "core/eResultCode.h"
#include "core/gCBaseObject.h"
#include "core/gCString.h"

#include <cstdint>

class gCBasePath : public gCBaseObject {
public:
    enum eFPathType : int32_t {
        eBasePath = 0,
        eFPath = 1,
        eFRef = 2,
        eFRelative = 3,
        eFolderRef = 4,
    };

    ~gCBasePath() override = default;

    // 1 when the path text is not empty.
    virtual int32_t IsSet() const { return mPath.IsEmpty() ? 0 : 1; }
    virtual eResultCode Clear();
    // Whether something exists at the path (1 or 0); a kind that cannot tell answers 0.
    virtual int32_t Exists() const { return 0; }
    // Creates what the path names; a kind that cannot answers 10.
    virtual eResultCode Create() { return eNotWritten; }
    virtual eResultCode SetPath(gCString text);
    virtual gCString GetPath() const;

    // SetPath with a copy, so the caller's string is never rewritten.
    eResultCode Set(const gCString& text) { return SetPath(gCString(text)); }
    // Copies the kind and the other's GetPath (the resolved text of a relative path).
    gCBasePath& operator=(const gCBasePath& other);

    eFPathType GetKind() const { return mKind; }

protected:
    gCBasePath() = default;
    gCBasePath(const gCBasePath& other) = default;

    // Stores a text as it is; an allocation failure keeps the old text (the operations still
    // answer 0, as the callers expect).
    void StoreText(const gCString& text);
    // Makes the path unset; cannot fail.
    void ClearText();
    // Sets another path's kind and text directly, past its own SetPath.
    static void AssignRaw(gCBasePath& target, eFPathType kind, const gCString& text)
    {
        target.mKind = kind;
        target.StoreText(text);
    }

    eFPathType mKind = eBasePath;
    gCString mPath;
};
