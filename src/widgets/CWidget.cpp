#include "widgets/CWidget.h"

#include "core/TextEquality.h"
#include "widgets/CBackdrop.h"
#include "widgets/CWidgetEffectBase.h"
#include "widgets/CreateLoadedWidget.h"

#include <algorithm>

CWidget::CWidget() { mTypeCode = kTypeCode; }

CWidget::~CWidget()
{
    (void)NotifyEffects(this, mRect);
    // The widget has left the tree already (or is the root going away): no root to tell.
    DestroyChildren();
    RemoveAllEffects();
    DeleteUserObjects();
}

CWidget* CWidget::CreateFromId(uint32_t id, gCFile* file, CResourceDirectory* directory)
{
    return CreateWidgetFromId<CWidget>(id, file, directory);
}

CWidget* CWidget::CreateFromName(const gCString& name, gCFile* file, CResourceDirectory* directory)
{
    return CreateWidgetFromName<CWidget>(name, file, directory);
}

eResultCode CWidget::SetName(const gCString& name)
{
    gCString copy(name);
    if (!name.IsNull() && copy.IsNull())
        return eNoMemory;
    mName = copy;
    return eSuccess;
}

void CWidget::InvalidateChild(CWidget* child)
{
    if (!child->IsVisible())
        return;
    if (child->IsPlainWidget())
        (void)child->InvalidateBounds(false);
    else
        (void)InvalidateArea(child->mBounds, false);
}

eResultCode CWidget::AddChild(CWidget* child, bool update)
{
    if (!child)
        return eBadParameter;
    PNU_TRY(mChildren.InsertAt(0, child));
    CWidget* oldParent = child->mParent;
    child->SetParent(this);
    if (eResultCode result = child->UpdateLayout(false); result != eSuccess) {
        // A child that cannot be laid out is not kept: the caller still owns it, and must be
        // able to delete it without the list holding it too.
        int32_t index = GetChildIndex(child);
        if (index >= 0)
            mChildren.RemoveAt(index);
        child->SetParent(oldParent);
        return result;
    }
    InvalidateChild(child);
    return UpdateIf(update);
}

int32_t CWidget::GetChildIndex(const CWidget* child) const
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (mChildren[i] == child)
            return i;
    return -1;
}

// Takes the child at index out of the list (deleting it with `destroy`, else it keeps its parent
// field for the caller to re-parent or delete) and redraws where it stood.
eResultCode CWidget::TakeChildAt(int32_t index, bool destroy, bool update)
{
    if (index < 0 || index >= mChildren.GetSize())
        return UpdateIf(update);
    CWidget* child = mChildren[index];
    gCRect area = child->mBounds;
    bool visible = child->IsVisible();
    ReleaseFromRoot(child);
    if (mFocusChild == child)
        mFocusChild = nullptr;
    mChildren.RemoveAt(index);
    if (destroy)
        delete child;
    return visible ? InvalidateArea(area, update) : UpdateIf(update);
}

eResultCode CWidget::RemoveChildAt(int32_t index, bool update)
{
    return TakeChildAt(index, true, update);
}

eResultCode CWidget::DetachChildAt(int32_t index, bool update)
{
    return TakeChildAt(index, false, update);
}

eResultCode CWidget::RemoveChild(CWidget* child, bool update)
{
    return RemoveChildAt(GetChildIndex(child), update);
}

eResultCode CWidget::DetachChild(CWidget* child, bool update)
{
    return DetachChildAt(GetChildIndex(child), update);
}

eResultCode CWidget::RemoveChildByName(const gCString& name, bool update)
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (TextsEqual(mChildren[i]->mName, name, eNullText::kMatchesNothing))
            return RemoveChildAt(i, update);
    return UpdateIf(update);
}

eResultCode CWidget::RemoveChildById(uint32_t id, bool update)
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        if (mChildren[i]->mId == id)
            return RemoveChildAt(i, update);
    return UpdateIf(update);
}

eResultCode CWidget::RemoveAllChildren(bool update)
{
    for (int32_t i = mChildren.GetSize() - 1; i >= 0; --i)
        PNU_TRY(RemoveChildAt(i, false));
    return UpdateIf(update);
}

// The backdrop holds widgets it does not own (focus, rollover, modal stack, cursor): a subtree
// that leaves the tree must leave none of them behind, or a later command reaches freed memory.
void CWidget::ReleaseFromRoot(CWidget* leaving)
{
    if (auto* backdrop = dynamic_cast<CBackdrop*>(GetRootWidget()))
        backdrop->ForgetWidget(leaving);
}

void CWidget::DeleteChildren()
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        ReleaseFromRoot(mChildren[i]);
    DestroyChildren();
}

void CWidget::DestroyChildren()
{
    for (int32_t i = 0; i < mChildren.GetSize(); ++i)
        delete mChildren[i];
    mChildren.RemoveAll();
    mFocusChild = mFocusChild == this ? this : nullptr;
}

// Takes this widget out of its parent's children and puts it back: next to `sibling` (offset 0 in
// front of it, 1 behind it), or without a sibling at the front (offset 0) or the back (offset -1).
void CWidget::Restack(CWidget* sibling, int32_t offset, bool update)
{
    if (!mParent || sibling == this)
        return;
    gCArray<CWidget*>& siblings = mParent->mChildren;
    int32_t index = mParent->GetChildIndex(this);
    if (index < 0 || (sibling && mParent->GetChildIndex(sibling) < 0))
        return;
    siblings.RemoveAt(index);
    if (sibling)
        (void)siblings.InsertAt(mParent->GetChildIndex(sibling) + offset, this);
    else if (offset < 0)
        (void)siblings.Add(this);
    else
        (void)siblings.InsertAt(0, this);
    mParent->InvalidateChild(this);
    (void)UpdateIf(update);
}

void CWidget::SendToBack(bool update)
{
    Restack(nullptr, -1, update);
}

void CWidget::BringToFront(bool update)
{
    Restack(nullptr, 0, update);
}

void CWidget::MoveBehind(CWidget* sibling, bool update)
{
    // Without a sibling there is nothing to stand next to.
    if (sibling)
        Restack(sibling, 1, update);
}

void CWidget::MoveInFront(CWidget* sibling, bool update)
{
    // Without a sibling there is nothing to stand next to.
    if (sibling)
        Restack(sibling, 0, update);
}

int32_t CWidget::CountWidgets() const
{
    int32_t count = 1;
    for (const CWidget* child : mChildren)
        count += child->CountWidgets();
    return count;
}

CWidget* CWidget::FindWidgetById(uint32_t id)
{
    if (mId == id)
        return this;
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetById(id))
            return found;
    return nullptr;
}

CWidget* CWidget::FindWidgetByName(const gCString& name)
{
    if (TextsEqual(mName, name, eNullText::kMatchesNothing))
        return this;
    for (CWidget* child : mChildren)
        if (CWidget* found = child->FindWidgetByName(name))
            return found;
    return nullptr;
}

bool CWidget::IsDescendantOf(const CWidget* widget) const
{
    for (const CWidget* up = mParent; up; up = up->mParent)
        if (up == widget)
            return true;
    return false;
}

CWidget* CWidget::FindAncestorById(uint32_t id) const
{
    for (CWidget* up = mParent; up; up = up->mParent)
        if (up->mId == id)
            return up;
    return nullptr;
}

CWidget* CWidget::FindAncestorByName(const gCString& name) const
{
    for (CWidget* up = mParent; up; up = up->mParent)
        if (TextsEqual(up->mName, name, eNullText::kMatchesNothing))
            return up;
    return nullptr;
}

CWidget* CWidget::GetRootWidget() { return mParent ? mParent->GetRootWidget() : this; }

void CWidget::SetFocus(bool notify)
{
    if (IsVisible() && IsActive())
        SetFocusChild(this, this, notify);
}

void CWidget::SetFocusChild(CWidget* child, CWidget* focused, bool notify)
{
    if (!IsVisible() || !IsActive())
        return;
    mFocusChild = child;
    if (mParent)
        mParent->SetFocusChild(this, focused, notify);
}

bool CWidget::HasFocus()
{
    CWidget* root = GetRootWidget();
    CWidget* step = root->mFocusChild;
    if (!step)
        return false;
    if (step == root)
        return root == this;
    while (step) {
        if (step == this)
            return true;
        if (step->mFocusChild == step)
            return false;
        step = step->mFocusChild;
    }
    return false;
}

uint32_t CWidget::SetUserData(int32_t index, uintptr_t value)
{
    if (index < 0 || index >= kUserSlots)
        return 0;
    mUserData[index] = value;
    return 1;
}

uintptr_t CWidget::GetUserData(int32_t index) const
{
    return index < 0 || index >= kUserSlots ? 0 : mUserData[index];
}

uint32_t CWidget::SetUserObject(int32_t index, gCBaseObject* object)
{
    if (index < 0 || index >= kUserSlots)
        return 0;
    mUserObjects[index] = object;
    return 1;
}

gCBaseObject* CWidget::GetUserObject(int32_t index) const
{
    return index < 0 || index >= kUserSlots ? nullptr : mUserObjects[index];
}

void CWidget::DeleteUserObjects()
{
    for (gCBaseObject*& object : mUserObjects) {
        delete object;
        object = nullptr;
    }
}

void CWidget::EnableEvents(uint32_t bits, bool propagate)
{
    mEventMask |= bits;
    if (propagate && mParent)
        mParent->EnableEvents(bits, true);
}
