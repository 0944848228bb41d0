// A selection as a shell view hands it over: a CF_HDROP block in a data object.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {
// A CF_HDROP block of ANSI or UTF-16 names.
std::vector<uint8_t> DropBlock(const std::vector<std::string>& names, bool wide = false) {
    std::vector<uint8_t> block(sizeof(DROPFILES), 0);
    auto* drop = reinterpret_cast<DROPFILES*>(block.data());
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = wide;
    for (const auto& n : names) {
        if (wide) {
            for (char c : n) block.push_back(static_cast<uint8_t>(c)), block.push_back(0);
            block.push_back(0), block.push_back(0);
        } else {
            block.insert(block.end(), n.begin(), n.end());
            block.push_back(0);
        }
    }
    block.push_back(0);
    if (wide) block.push_back(0);
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
