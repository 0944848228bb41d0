#include <gtest/gtest.h>

#include "framework/ComPtr.h"
#include "framework/Handles.h"

namespace {
bool IsOpenHandle(HANDLE h) {
    DWORD flags;
    return GetHandleInformation(h, &flags) != 0;
}

struct CountingUnknown : IUnknown {
    LONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};
}  // namespace

TEST(Handles, OwnerClosesOnScopeExitAndDetachKeepsOpen) {
    HANDLE raw;
    {
        CHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        raw = event;
        ASSERT_TRUE(IsOpenHandle(raw));
    }
    EXPECT_FALSE(IsOpenHandle(raw));

    CHandle kept(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    raw = kept.Detach();
    EXPECT_FALSE(kept.IsValid());
    EXPECT_TRUE(IsOpenHandle(raw));
    CloseHandle(raw);
}

TEST(Handles, MoveTransfersOwnershipOnce) {
    CHandle a(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    HANDLE raw = a;
    CHandle b(std::move(a));
    EXPECT_FALSE(a.IsValid());
    EXPECT_EQ(raw, b.Get());
    CHandle c;
    c = std::move(b);
    EXPECT_TRUE(IsOpenHandle(raw));
    EXPECT_TRUE(c.Close());
    EXPECT_FALSE(IsOpenHandle(raw));
    EXPECT_TRUE(c.Close()) << "closing an empty owner is not a failure";
}

TEST(Handles, FileOwnerTreatsInvalidHandleValueAsEmpty) {
    CFileHandle file(CreateFileA("no such dir\\no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file.IsValid());
    EXPECT_EQ(INVALID_HANDLE_VALUE, file.Get());
}

TEST(Handles, GlobalLockUnlocksOnScopeExit) {
    CGlobalHandle memory(GlobalAlloc(GMEM_MOVEABLE, 16));
    {
        CGlobalLock<char> lock(memory);
        ASSERT_NE(nullptr, lock.Get());
        EXPECT_GE(lock.Size(), 16u);
        EXPECT_EQ(1u, GlobalFlags(memory) & GMEM_LOCKCOUNT);
    }
    EXPECT_EQ(0u, GlobalFlags(memory) & GMEM_LOCKCOUNT);
}

TEST(ComPtr, ReleasesOnceAndCopiesAddRef) {
    CountingUnknown object;
    {
        CComPtr<IUnknown> p(&object);
        {
            CComPtr<IUnknown> copy(p);
            EXPECT_EQ(2, object.refs);
        }
        EXPECT_EQ(1, object.refs);
        CComPtr<IUnknown> moved(std::move(p));
        EXPECT_FALSE(p);
        EXPECT_EQ(1, object.refs);
        CComPtr<IUnknown> queried;
        EXPECT_EQ(S_OK, moved.QueryInterface(IID_IUnknown, queried));
        EXPECT_EQ(2, object.refs);
    }
    EXPECT_EQ(0, object.refs);
}
