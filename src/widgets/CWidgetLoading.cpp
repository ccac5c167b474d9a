// Loading a widget from its data block in the resource file.
#include "widgets/CWidgetLoadBlock.h"

#include "widgets/BlockValues.h"

#include "FileIO/gCFile.h"
#include "resources/CResourceContext.h"
#include "resources/gCResourceObject.h"
#include "widgets/WidgetFactory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

eResultCode CWidget::LocateResource(bool byName, uint32_t id, const gCString& name, gCFile* file,
                                    CResourceDirectory* directory, gCFile*& source)
{
    if (!GetResourceContext())
        return eBadParameter;
    // The chunk is searched under the class's own type code.
    mTypeCode = GetTypeCode();
    return byName ? LocateByName(name, file, directory, source) : LocateById(id, file, directory, source);
}

eResultCode CWidget::LoadFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateResource(false, id, gCString(), file, directory, source));
    eResultCode result = LoadWidgetDataBlock(source);
    mPayloadEnd = -1;
    return result;
}

eResultCode CWidget::LoadFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    gCFile* source = nullptr;
    PNU_TRY(LocateResource(true, 0, name, file, directory, source));
    eResultCode result = LoadWidgetDataBlock(source);
    mPayloadEnd = -1;
    return result;
}

eResultCode CWidget::ReadBlock(gCStream* stream, gCMemFile& block, const sLoaderMessages& messages)
{
    int32_t size = 0;
    if (eResultCode result = stream ? stream->ReadLong(size) : eInvalidFile; result != eSuccess) {
        ReportError(eResourceReadError, messages.size);
        return result;
    }
    // The size comes from the file: it must be a count of bytes its own chunk still holds (the
    // file's, for a block read on its own).
    int64_t end = mPayloadEnd >= 0 ? std::min<int64_t>(mPayloadEnd, stream->GetLength()) : stream->GetLength();
    int64_t left = end - stream->GetPos();
    if (size < 0 || size > left) {
        ReportError(eResourceReadError, messages.size);
        return eResourceReadError;
    }
    if (eResultCode result = block.Grow(size); result != eSuccess) {
        ReportError(eResourceReadError, messages.grow);
        return result;
    }
    if (size > 0) {
        if (eResultCode result = stream->Read(block.GetData(), size); result != eSuccess) {
            ReportError(eResourceReadError, messages.read);
            return result;
        }
    }
    (void)block.Rewind();
    if (!block.GetData()) {
        ReportError(eResourceReadError, messages.rewind);
        return eInvalidFile;
    }
    return eSuccess;
}

eResultCode CWidget::LoadWidgetDataBlock(gCStream* stream)
{
    return LoadPlainBlock(stream, &CWidget::ParseWidgetChunk);
}

eResultCode CWidget::ParseWidgetChunk(uint32_t tag, gCStream* stream, CWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    auto readFlag = [&](uint32_t& field, const char* message) -> eResultCode {
        int32_t value = 0;
        PNU_TRY(read.Int(value, message));
        field = value == 1 ? 1 : 0;
        return eSuccess;
    };
    auto readSwitch = [&](uint32_t bit, const char* message) -> eResultCode {
        int32_t value = 0;
        PNU_TRY(read.Int(value, message));
        if (value == 1)
            EnableEvents(bit, false);
        else
            DisableEvents(bit);
        return eSuccess;
    };
    auto readSizeMode = [&](uint32_t& relative, uint32_t& farSide, const char* message) -> eResultCode {
        int32_t value = 0;
        PNU_TRY(read.Int(value, message));
        if (value == 1)
            relative = 1;
        else if (value == 2)
            farSide = 1;
        else if (value == 0)
            relative = 0;
        else
            relative = farSide = 0;
        return eSuccess;
    };

    sLayoutValues& v = mLayout;
    switch (tag) {
    case FourCharCode("xpos"): return read.Float(v.x, "Widget xpsp.");
    case FourCharCode("ypos"): return read.Float(v.y, "Widget ypsp.");
    case FourCharCode("xpsr"): return readFlag(v.xRelative, "Widget xpsr.");
    case FourCharCode("ypsr"): return readFlag(v.yRelative, "Widget ypsr.");
    case FourCharCode("xpsd"): return readFlag(v.xFarSide, "Widget xpsd.");
    case FourCharCode("ypsd"): return readFlag(v.yFarSide, "Widget ypsd.");
    case FourCharCode("xsiz"): return read.Float(v.width, "Widget xszp.");
    case FourCharCode("ysiz"): return read.Float(v.height, "Widget yszp.");
    case FourCharCode("xszr"): return readSizeMode(v.widthRelative, v.widthFarSide, "Widget xszr.");
    case FourCharCode("yszr"): return readSizeMode(v.heightRelative, v.heightFarSide, "Widget yszr.");
    case FourCharCode("xgrd"): return readFlag(v.xFarAnchor, "Widget xgrd.");
    case FourCharCode("ygrd"): return readFlag(v.yFarAnchor, "Widget ygrd.");
    case FourCharCode("xcnt"): return readFlag(v.xCentre, "Widget xcnt.");
    case FourCharCode("ycnt"): return readFlag(v.yCentre, "Widget ycnt.");
    case FourCharCode("actv"): return readFlag(mActive, "Widget actv.");
    case FourCharCode("vsbl"): return readFlag(mVisible, "Widget vsbl.");
    case FourCharCode("focs"): return readFlag(mCanGetFocus, "Widget focs.");
    case FourCharCode("sipr"): return readFlag(mStayInParent, "Widget sipr.");
    case FourCharCode("oblt"): return readFlag(mOpaqueBlit, "Widget oblt.");
    case FourCharCode("prop"): return readFlag(mPropagateOpacity, "Widget prop.");
    case FourCharCode("opac"):
        PNU_TRY(read.Int(mOpacity, "Widget opac."));
        mOpacity = ClampBlockOpacity(mOpacity);
        return eSuccess;
    case FourCharCode("opct"): return read.Int(mOpacityThreshold, "Widget opct.");
    case FourCharCode("kydn"): return readSwitch(kEventKeys, "Widget kydn.");
    case FourCharCode("kyup"): return readSwitch(kEventKeys, "Widget kyup.");
    case FourCharCode("timr"): return readSwitch(kEventTimer, "Widget timr.");
    case FourCharCode("hrtb"): return readSwitch(kEventHeartbeat, "Widget hrtb.");
    case FourCharCode("msmv"): return readSwitch(kEventMouseMove, "Widget msmv.");
    case FourCharCode("lbdn"): return readSwitch(kEventLeftButton, "Widget lbdn.");
    case FourCharCode("lbup"): return readSwitch(kEventLeftButton, "Widget lbup.");
    case FourCharCode("mbdn"): return readSwitch(kEventMiddleButton, "Widget mbdn.");
    case FourCharCode("mbup"): return readSwitch(kEventMiddleButton, "Widget mbup.");
    case FourCharCode("rbdn"): return readSwitch(kEventRightButton, "Widget rbdn.");
    case FourCharCode("rbup"): return readSwitch(kEventRightButton, "Widget rbup.");
    case FourCharCode("mswh"): return readSwitch(kEventWheel, "Widget mswh.");
    case FourCharCode("autt"):
    case FourCharCode("tfpt"):
    case FourCharCode("ttrg"):
    case FourCharCode("ttrt"): {
        // Described something this system does not have: read past, even when short.
        int32_t ignored = 0;
        // A short value runs to the end of the block, which is then read to its end.
        if (stream->ReadLong(ignored) != eSuccess)
            (void)stream->SetPos(stream->GetLength());
        return eSuccess;
    }
    case FourCharCode("hier"): {
        int32_t count = 0;
        PNU_TRY(read.Int(count, "Widget hierarchy entries."));
        // Each entry takes bytes of the block, so a large count ends at the first failed read.
        for (int32_t i = 0; i < count; ++i) {
            gCString name;
            PNU_TRY(read.Line(name, "Widget hierarchy names."));
            int32_t type = 0;
            PNU_TRY(read.Int(type, "Widget hierarchy type."));
            // Names and types must stay in step: a child of the wrong class is worse than none.
            PNU_TRY(holder.childNames.Add(name));
            if (eResultCode result = holder.childTypes.Add(uint32_t(type)); result != eSuccess) {
                holder.childNames.RemoveAt(holder.childNames.GetSize() - 1);
                return result;
            }
        }
        return eSuccess;
    }
    case FourCharCode("usrd"): {
        gCString text;
        PNU_TRY(read.Line(text, "Widget usrd."));
        gCString indexText, rest, typeText, valueText;
        gCString bar(u"|");
        if (int32_t split = text.SplitAtFirst(indexText, rest, bar, 0); split != 0) {
            ReportError(eResourceReadError, "Widget usrd.");
            return eResultCode(split);
        }
        if (int32_t split = rest.SplitAtFirst(typeText, valueText, bar, 0); split != 0) {
            ReportError(eResourceReadError, "Widget usrd.");
            return eResultCode(split);
        }
        int32_t index = indexText.ParseInteger();
        if (index >= kUserSlots) {
            ReportError(eResourceReadError, "Widget usrd index too high.");
            return eBadParameter;
        }
        if (index < 0)
            return eSuccess;
        float number = float(ParseDecimal(valueText));
        if (typeText == "real") {
            uint32_t bits = 0;
            std::memcpy(&bits, &number, sizeof bits);
            mUserData[index] = bits;
            return eSuccess;
        }
        if (typeText == "int") {
            uint32_t value = 0;
            if (number >= 4294967296.0f)
                value = 0xFFFFFFFFu;
            else if (number > 0.0f)
                value = uint32_t(number);
            mUserData[index] = value;
            return eSuccess;
        }
        ReportError(eResourceReadError, "Widget usrd.");
        return eBadParameter;
    }
    default:
        ReportError(eResourceReadError, "Unrecognised chunk in widget.");
        return eBadParameter;
    }
}

eResultCode CWidget::CreateChildren(CWidgetDataHolder& holder, gCStream* stream)
{
    gCFile* file = dynamic_cast<gCFile*>(stream);
    int32_t count = std::min(holder.childNames.GetSize(), holder.childTypes.GetSize());
    for (int32_t i = 0; i < count; ++i) {
        if (!CreateWidgetByType(holder.childNames[i], holder.childTypes[i], this, file)) {
            // Out of memory the failure is still reported, without the name.
            CMemBlock bytes;
            const bool held = holder.childNames[i].ToMacRomanCString(bytes) == eSuccess;
            ReportError(eCreateFailed, held ? reinterpret_cast<const char*>(bytes.GetData()) : "");
            return eResourceReadError;
        }
    }
    return eSuccess;
}
