// The backdrop's data block: its background, cursors and full-window flag besides every widget tag.
#include "widgets/CBackdrop.h"

#include "FileIO/gCFile.h"
#include "imaging/CGradient.h"
#include "imaging/CImage.h"
#include "resources/CResourceContext.h"
#include "widgets/BlockValues.h"
#include "widgets/CWidgetLoadBlock.h"
#include "widgets/WidgetFactory.h"

#include <cstdlib>

namespace {

const CWidget::sLoaderMessages kBackdropMessages = {
    "Error reading backdrop data block size.", "Error setting backdrop memfile size",
    "Error reading backdrop data block.",      "Error rewinding backdrop data block.",
    "Error reading backdrop data chunk type.", "Error parsing backdrop data chunk type.",
    "Error constructing backdrop hierarchy.",  true};

// atof's value truncated toward zero, kept within 32 bits.
int32_t TruncatedCoordinate(double value)
{
    if (!(value > -2147483648.0))
        return INT32_MIN;
    if (!(value < 2147483647.0))
        return INT32_MAX;
    return int32_t(value);
}

} // namespace

eResultCode CBackdrop::LoadWidgetDataBlock(gCStream* stream)
{
    CBWidgetDataHolder holder;
    PNU_TRY(LoadBlock(stream, holder, kBackdropMessages,
                      [this](uint32_t tag, gCStream* block, CWidgetDataHolder& h) {
                          return ParseWidgetChunk(tag, block, static_cast<CBWidgetDataHolder&>(h));
                      }));
    return FinishLoading(holder, stream);
}

eResultCode CBackdrop::ParseWidgetChunk(uint32_t tag, gCStream* stream, CBWidgetDataHolder& holder)
{
    const sChunkReader read{stream};
    // A value that is not a number is a damaged chunk; one far out of range is pulled back in.
    auto Checked = [&](float& field, float limit, const char* message) -> eResultCode {
        if (ClampBlockFloat(field, limit))
            return eSuccess;
        field = 0.0f;
        ReportError(eResourceReadError, message);
        return eResourceReadError;
    };
    int32_t value = 0;
    switch (tag) {
    case FourCharCode("fscr"):
        PNU_TRY(read.Int(value, "Backdrop fscr."));
        holder.fullWindow = value == 1 ? 1 : 0;
        return eSuccess;
    case FourCharCode("colr"):
        PNU_TRY(read.Int(value, "Backdrop colr."));
        mBackgroundColour = uint32_t(value);
        return eSuccess;
    case FourCharCode("imag"): return read.Line(holder.imageName, "Backdrop imag.");
    case FourCharCode("grad"): return read.Line(holder.gradientName, "Backdrop grad.");
    case FourCharCode("grop"):
        PNU_TRY(read.Int(mGradientOpacity, "Backdrop grop."));
        mGradientOpacity = ClampBlockOpacity(mGradientOpacity);
        return eSuccess;
    case FourCharCode("gran"):
        PNU_TRY(read.Float(mGradientAngle, "Backdrop gran."));
        return Checked(mGradientAngle, kMaxBlockTurns, "Backdrop gran.");
    case FourCharCode("grac"):
        PNU_TRY(read.Int(value, "Backdrop grac."));
        mGradientCircular = value == 1 ? 1 : 0;
        if (mGradient)
            (void)InvalidateContent(false);
        return eSuccess;
    case FourCharCode("grcx"):
        PNU_TRY(read.Float(mGradientCentre.x, "Backdrop grcx."));
        PNU_TRY(Checked(mGradientCentre.x, kMaxBlockCentre, "Backdrop grcx."));
        if (mGradient)
            (void)InvalidateContent(false);
        return eSuccess;
    case FourCharCode("grcy"):
        PNU_TRY(read.Float(mGradientCentre.y, "Backdrop grcy."));
        PNU_TRY(Checked(mGradientCentre.y, kMaxBlockCentre, "Backdrop grcy."));
        if (mGradient)
            (void)InvalidateContent(false);
        return eSuccess;
    case FourCharCode("curs"): {
        gCString line, name, rest, xText, yText;
        PNU_TRY(read.Line(line, "Backdrop curs."));
        if (line.SplitAtFirst(name, rest, gCString(u"|"), 0) != 0 ||
            rest.SplitAtFirst(xText, yText, gCString(u","), 0) != 0) {
            ReportError(eResourceReadError, "Backdrop curs.");
            return eResourceReadError;
        }
        PNU_TRY(holder.cursorNames.Add(name));
        gCPoint hotspot{TruncatedCoordinate(ParseDecimal(xText)), TruncatedCoordinate(ParseDecimal(yText))};
        if (eResultCode result = holder.cursorHotspots.Add(hotspot); result != eSuccess) {
            holder.cursorNames.RemoveAt(holder.cursorNames.GetSize() - 1);
            return result;
        }
        return eSuccess;
    }
    case FourCharCode("dcur"): return read.Line(holder.defaultCursorName, "Backdrop dcur.");
    case FourCharCode("whsb"):
        PNU_TRY(read.Int(value, "Backdrop whsb."));
        mWhsb = value != 0 ? 1 : 0;
        return eSuccess;
    default:
        return CWidget::ParseWidgetChunk(tag, stream, holder);
    }
}

eResultCode CBackdrop::FinishLoading(CBWidgetDataHolder& holder, gCStream* stream)
{
    if (holder.imageName.GetLength() > 0) {
        CImage* image = CImage::CreateFromName(holder.imageName, dynamic_cast<gCFile*>(stream), nullptr);
        if (!image) {
            ReportError(eCreateFailed, "Backdrop image load failed!");
            return eResourceReadError;
        }
        SetBackgroundImage(image);
    }
    if (holder.gradientName.GetLength() > 0) {
        CGradient* gradient = CGradient::CreateFromName(holder.gradientName, nullptr, nullptr);
        if (!gradient) {
            ReportError(eCreateFailed, "Backdrop gradient load failed!");
            return eResourceReadError;
        }
        SetGradient(gradient);
    }
    CResourceContext* context = GetResourceContext();
    for (int32_t i = 0; i < holder.cursorNames.GetSize(); ++i) {
        CWidget* cursor = CreateWidgetByName(holder.cursorNames[i], context ? context->resourceFile : nullptr);
        if (!cursor) {
            ReportError(eCreateFailed, "Backdrop cursor create failed!");
            return eResourceReadError;
        }
        if (AddCursor(cursor, holder.cursorHotspots[i]) != eSuccess) {
            delete cursor;
            ReportError(eCreateFailed, "Backdrop cursor store failed!");
            return eResourceReadError;
        }
    }
    if (holder.defaultCursorName.GetLength() > 0 && SetCursorByName(holder.defaultCursorName) != eSuccess) {
        ReportError(eBadParameter, "Backdrop default cursor init failed!");
        return eResourceReadError;
    }
    if (holder.fullWindow) {
        mLayout.width = 10000.0f;
        mLayout.height = 10000.0f;
    }
    return eSuccess;
}
