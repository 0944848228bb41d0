// A selection as a shell view hands it over: a CF_HDROP block in a data object.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
// A CF_HDROP block of UTF-16 names, as they are (unpaired surrogates included).
std::vector<uint8_t> WideDropBlock(const std::vector<std::wstring>& names) {
    std::vector<uint8_t> block(sizeof(DROPFILES), 0);
    auto* drop = reinterpret_cast<DROPFILES*>(block.data());
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    for (const auto& n : names) {
        for (wchar_t c : n) block.push_back(static_cast<uint8_t>(c & 0xFF)), block.push_back(static_cast<uint8_t>(c >> 8));
        block.push_back(0), block.push_back(0);
    }
    block.push_back(0), block.push_back(0);
    return block;
}

// A CF_HDROP block of names given in UTF-8: wide, or as ANSI bytes taken as they are.
std::vector<uint8_t> DropBlock(const std::vector<std::string>& names, bool wide = false) {
    if (wide) {
        std::vector<std::wstring> utf16;
        for (const auto& n : names) {
            std::wstring w(n.size() + 1, L'\0');
            int length = MultiByteToWideChar(CP_UTF8, 0, n.data(), static_cast<int>(n.size()), &w[0],
                                             static_cast<int>(w.size()));
            w.resize(static_cast<size_t>(length > 0 ? length : 0));
            utf16.push_back(w);
        }
        return WideDropBlock(utf16);
    }
    std::vector<uint8_t> block(sizeof(DROPFILES), 0);
    reinterpret_cast<DROPFILES*>(block.data())->pFiles = sizeof(DROPFILES);
    for (const auto& n : names) {
        block.insert(block.end(), n.begin(), n.end());
        block.push_back(0);
    }
    block.push_back(0);
    return block;
}

// A small data object that offers one CF_HDROP block, as a shell view would.
class DropData : public IDataObject {
public:
    explicit DropData(std::vector<uint8_t> block) : m_block(std::move(block)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IUnknown || riid == IID_IDataObject) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* f, STGMEDIUM* m) override {
        if (f->cfFormat != CF_HDROP || !(f->tymed & TYMED_HGLOBAL)) return DV_E_FORMATETC;
        HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, m_block.size());
        memcpy(GlobalLock(g), m_block.data(), m_block.size());
        GlobalUnlock(g);
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = g;
        m->pUnkForRelease = nullptr;
        ++gets;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    int gets = 0;

private:
    std::vector<uint8_t> m_block;
    ULONG m_refs = 1;
};

}  // namespace
