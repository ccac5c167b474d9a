// One string resource ('text').
#pragma once

#include "core/gCString.h"
#include "resources/gCResourceObject.h"

class gCStream;

class CText : public gCResourceObject {
public:
    CText();
    ~CText() override = default;

    // Reads one UTF-16 line, kept whole; on failure the text stays as it was.
    eResultCode ReadText(gCStream* stream);

    eResultCode LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory) override;
    eResultCode LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory) override;

    static CText* CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory);
    static CText* CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory);

    const gCString& GetText() const { return mText; }
    void SetText(const gCString& text) { mText = text; }

private:
    gCString mText;
};
