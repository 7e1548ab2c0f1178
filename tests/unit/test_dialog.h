// Dialog templates built in memory for tests, in the DLGTEMPLATEEX layout
// that the resource compiler writes.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

struct TestItem {
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    std::string className; // "Button", "Static", ... or a class name
    std::string text;
};

class TemplateBuilder {
  public:
    TemplateBuilder(DWORD style, short cx, short cy, std::string title)
        : style_(style), cx_(cx), cy_(cy), title_(std::move(title)) {}
    TemplateBuilder& Add(TestItem item) {
        items_.push_back(std::move(item));
        return *this;
    }
    TemplateBuilder& ExStyle(DWORD exStyle) {
        exStyle_ = exStyle;
        return *this;
    }
    // The bytes; valid while the builder lives.
    const DLGTEMPLATE* Bytes() {
        bytes_.clear();
        Word(1);
        Word(0xFFFF);
        Dword(0);
        Dword(exStyle_);
        Dword(style_ | DS_SETFONT);
        Word(static_cast<WORD>(items_.size()));
        Word(0), Word(0), Word(cx_), Word(cy_);
        Word(0);       // no menu
        Word(0);       // the dialog class
        Text(title_);  // title
        Word(8), Word(400), Byte(0), Byte(1);
        Text("MS Sans Serif");
        for (const TestItem& item : items_) {
            while (bytes_.size() % 4) Byte(0);
            Dword(0);
            Dword(0);
            Dword(item.style);
            Word(item.x), Word(item.y), Word(item.cx), Word(item.cy);
            Dword(item.id);
            Text(item.className);
            Text(item.text);
            Word(0);
        }
        while (bytes_.size() % 4) Byte(0);
        return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data());
    }

  private:
    void Byte(uint8_t b) { bytes_.push_back(b); }
    void Word(int w) {
        Byte(static_cast<uint8_t>(w & 0xFF));
        Byte(static_cast<uint8_t>((w >> 8) & 0xFF));
    }
    void Dword(DWORD d) {
        Word(static_cast<int>(d & 0xFFFF));
        Word(static_cast<int>(d >> 16));
    }
    void Text(const std::string& s) {
        for (unsigned char c : s) Word(c); // ASCII only in tests
        Word(0);
    }
    DWORD style_, exStyle_ = 0;
    short cx_, cy_;
    std::string title_;
    std::vector<TestItem> items_;
    std::vector<uint8_t> bytes_;
};
