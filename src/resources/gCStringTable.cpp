#include "resources/gCStringTable.h"

#include "FileIO/FileServices.h"
#include "FileIO/gCFile.h"
#include "FileIO/gCStream.h"
#include "core/TextEquality.h"

#include <new>

const char16_t kStringTableError[] = u"%%String Table Error";

namespace {

gCString ErrorText()
{
    return gCString(kStringTableError);
}

// The stream's line read keeps one line feed at the end of a terminated line; the stored text is
// what comes before it.
void DropLastUnit(gCString& line)
{
    if (line.GetLength() > 0)
        line.Delete(line.GetLength() - 1, 1);
}

struct sEntry {
    uint32_t id = 0;
    gCString name;
    gCString text;
};

eResultCode ReadEntry(gCStream& stream, sEntry& entry)
{
    int32_t value = 0;
    PNU_TRY(stream.ReadULong(entry.id));
    PNU_TRY(stream.ReadLong(value));
    PNU_TRY(stream.ReadUnicodeLine(entry.name));
    PNU_TRY(stream.ReadUnicodeLine(entry.text));
    DropLastUnit(entry.name);
    DropLastUnit(entry.text);
    return eSuccess;
}

} // namespace

bool StringTableNamesMatch(const gCString& first, const gCString& second)
{
    return TextsEqual(first, second, eNullText::kAsEmpty, eEmptyText::kMatchesNothing);
}

gCString SelectStringField(const gCString& text, int32_t field)
{
    const int32_t length = text.GetLength();
    if (length == 0 || field < 0)
        return ErrorText();
    int32_t start = 0;
    for (int32_t separators = 0; separators < field;) {
        if (text[start] == u'|')
            separators++;
        start++;
        if (start >= length)
            return ErrorText();
    }
    int32_t end = start;
    while (end < length && text[end] != u'|')
        end++;
    gCString result;
    (void)result.CopyStringFromBuffer(text.GetText() + start, end - start);
    return result;
}

gCStringTable::~gCStringTable()
{
    (void)RemoveAll();
}

gCStringTable* gCStringTable::Create(uint32_t keepNames)
{
    gCStringTable* table = new gCStringTable;
    if (table)
        table->mKeepNames = keepNames;
    return table;
}

int32_t gCStringTable::FindId(uint32_t id) const
{
    for (int32_t i = 0; i < mIds.GetSize(); ++i)
        if (mIds[i] == id)
            return i;
    return -1;
}

int32_t gCStringTable::FindName(const gCString& name) const
{
    if (!mKeepNames)
        return -1;
    for (int32_t i = 0; i < mNames.GetSize(); ++i)
        if (StringTableNamesMatch(mNames[i], name))
            return i;
    return -1;
}

void gCStringTable::RemoveAt(int32_t index)
{
    mIds.RemoveAt(index);
    mTexts.RemoveAt(index);
    if (mKeepNames && index < mNames.GetSize())
        mNames.RemoveAt(index);
}

eResultCode gCStringTable::Append(uint32_t id, const gCString& text, const gCString& name)
{
    // The three arrays stay parallel: a failed step takes back the steps before it. A copy that
    // could not get its memory comes out shorter than its source.
    PNU_TRY(mIds.Add(id));
    if (mTexts.Add(text) != eSuccess) {
        mIds.RemoveAt(mIds.GetSize() - 1);
        return eNoMemory;
    }
    if (mTexts[mTexts.GetSize() - 1].GetLength() != text.GetLength()) {
        mIds.RemoveAt(mIds.GetSize() - 1);
        mTexts.RemoveAt(mTexts.GetSize() - 1);
        return eNoMemory;
    }
    if (mKeepNames) {
        if (mNames.Add(name) != eSuccess || mNames[mNames.GetSize() - 1].GetLength() != name.GetLength()) {
            if (mNames.GetSize() == mIds.GetSize())
                mNames.RemoveAt(mNames.GetSize() - 1);
            mIds.RemoveAt(mIds.GetSize() - 1);
            mTexts.RemoveAt(mTexts.GetSize() - 1);
            return eNoMemory;
        }
    }
    return eSuccess;
}

eResultCode gCStringTable::Read(gCStream* stream, int32_t replace)
{
    // A stream with nothing behind it cannot rewind.
    if (!stream || stream->Rewind() != eSuccess)
        return eBadParameter;
    while (!stream->IsEOF()) {
        sEntry entry;
        PNU_TRY(ReadEntry(*stream, entry));
        // The first entry with the id or, when names are kept, the name.
        int32_t found = -1;
        for (int32_t i = 0; i < mIds.GetSize(); ++i) {
            if (mIds[i] == entry.id || (mKeepNames && i < mNames.GetSize() &&
                                        StringTableNamesMatch(mNames[i], entry.name))) {
                found = i;
                break;
            }
        }
        if (found >= 0) {
            if (!replace)
                continue;
            RemoveAt(found);
        }
        PNU_TRY(Append(entry.id, entry.text, entry.name));
    }
    return eSuccess;
}

eResultCode gCStringTable::LoadFromStream(gCStream& stream)
{
    (void)RemoveAll();
    return Read(&stream, 1);
}

eResultCode gCStringTable::LoadFromFile(const gCString& path, int32_t replace)
{
    gCFile file;
    PNU_TRY(OpenFile(file, path, gCFile::eAccessRead));
    if (!file.IsOpen())
        return eSuccess;
    eResultCode result = Read(&file, replace);
    (void)file.Close();
    return result;
}

eResultCode gCStringTable::ReloadFromFile(const gCString& path)
{
    gCFile file;
    PNU_TRY(OpenFile(file, path, gCFile::eAccessRead));
    if (!file.IsOpen())
        return eSuccess;
    (void)RemoveAll();
    eResultCode result = Read(&file, 1);
    (void)file.Close();
    return result;
}

gCString gCStringTable::GetString(uint32_t id, int32_t field) const
{
    int32_t index = FindId(id);
    if (index < 0)
        return ErrorText();
    return SelectStringField(mTexts[index], field);
}

gCString gCStringTable::GetStringByName(const gCString& name, int32_t field) const
{
    int32_t index = FindName(name);
    if (index < 0)
        return ErrorText();
    return SelectStringField(mTexts[index], field);
}

gCString gCStringTable::GetText(uint32_t id) const
{
    int32_t index = FindId(id);
    if (index < 0)
        return ErrorText();
    return mTexts[index].IsNull() ? gCString(u"") : mTexts[index];
}

gCString gCStringTable::GetTextByName(const gCString& name) const
{
    int32_t index = FindName(name);
    if (index < 0)
        return ErrorText();
    return mTexts[index].IsNull() ? gCString(u"") : mTexts[index];
}

namespace {

template <typename Matches>
gCString FindInStream(gCStream* stream, int32_t field, Matches matches)
{
    if (!stream || stream->Rewind() != eSuccess)
        return ErrorText();
    while (!stream->IsEOF()) {
        sEntry entry;
        if (ReadEntry(*stream, entry) != eSuccess)
            return ErrorText();
        if (matches(entry))
            return SelectStringField(entry.text, field);
    }
    return ErrorText();
}

} // namespace

gCString gCStringTable::GetStringFromStream(gCStream* stream, uint32_t id, int32_t field)
{
    return FindInStream(stream, field, [id](const sEntry& entry) { return entry.id == id; });
}

gCString gCStringTable::GetStringFromStreamByName(gCStream* stream, const gCString& name, int32_t field)
{
    return FindInStream(stream, field,
                        [&name](const sEntry& entry) { return StringTableNamesMatch(entry.name, name); });
}

eResultCode gCStringTable::Add(uint32_t id, const gCString& text, const gCString& name)
{
    if (FindId(id) >= 0)
        return eHandled;
    return Append(id, text, name);
}

eResultCode gCStringTable::SetText(uint32_t id, const gCString& text)
{
    int32_t index = FindId(id);
    if (index < 0)
        return eBadParameter;
    mTexts[index] = text;
    return eSuccess;
}

eResultCode gCStringTable::SetTextByName(const gCString& name, const gCString& text)
{
    int32_t index = FindName(name);
    if (index < 0)
        return eBadParameter;
    mTexts[index] = text;
    return eSuccess;
}

eResultCode gCStringTable::RemoveById(uint32_t id)
{
    int32_t index = FindId(id);
    if (index < 0)
        return eBadParameter;
    RemoveAt(index);
    return eSuccess;
}

eResultCode gCStringTable::RemoveByName(const gCString& name)
{
    int32_t index = FindName(name);
    if (index < 0)
        return eBadParameter;
    RemoveAt(index);
    return eSuccess;
}

eResultCode gCStringTable::RemoveAll()
{
    mIds.RemoveAll();
    mTexts.RemoveAll();
    mNames.RemoveAll();
    return eSuccess;
}
