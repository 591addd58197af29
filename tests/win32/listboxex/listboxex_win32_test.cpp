#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "framework/win32/application.h"
#include "framework/win32/form.h"
#include "framework/win32/handles.h"
#include "listboxex/core/listboxex.h"

namespace snx {
namespace {

// A TListBoxEx on a real list window inside a hidden form.
class ListBoxExWin32Test : public testing::Test {
 protected:
  void SetUp() override {
    list_.SetBounds(0, 0, 120, 80);
    list_.SetParent(&form_);
    window_ = FindWindowExW(form_.Handle(), nullptr, L"LISTBOX", nullptr);
    ASSERT_NE(window_, nullptr);
  }

  int Extent() const { return static_cast<int>(SendMessageW(window_, LB_GETHORIZONTALEXTENT, 0, 0)); }

  // A text's width in the font the list window shows its items in.
  int Width(std::wstring_view text) const {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(window_, WM_GETFONT, 0, 0));
    const TWindowDC dc(window_);
    const HGDIOBJ original = SelectObject(dc.Get(), font);
    SIZE size{};
    GetTextExtentPoint32W(dc.Get(), text.data(), static_cast<int>(text.size()), &size);
    SelectObject(dc.Get(), original);
    return size.cx;
  }

  LRESULT Send(UINT message, WPARAM wparam, const wchar_t* text) const {
    return SendMessageW(window_, message, wparam, reinterpret_cast<LPARAM>(text));
  }

  TWin32Application application_;
  TForm form_{&application_};
  TListBoxEx list_{nullptr};
  HWND window_ = nullptr;
};

TEST_F(ListBoxExWin32Test, ExtentFollowsAddsInsertsDeletesClearsAndSpace) {
  EXPECT_EQ(Extent(), 0);
  list_.Items().Add("");
  EXPECT_EQ(Extent(), 0);  // nothing wider than nothing yet

  list_.Items().Add("Short");
  EXPECT_EQ(Extent(), Width(L"Short") + 5);
  list_.Items().Add("A considerably longer item");
  const int longest = Width(L"A considerably longer item");
  EXPECT_EQ(Extent(), longest + 5);
  list_.Items().Insert(0, "Middle sized");
  EXPECT_EQ(Extent(), longest + 5);

  list_.Items().Delete(3);  // the longest: the widest left takes over
  EXPECT_EQ(Extent(), std::max(Width(L"Middle sized"), Width(L"Short")) + 5);
  list_.SetSpace(12);
  EXPECT_EQ(Extent(), std::max(Width(L"Middle sized"), Width(L"Short")) + 12);
  list_.Items().Clear();
  EXPECT_EQ(Extent(), 12);
}

TEST_F(ListBoxExWin32Test, MessagesSentStraightToTheWindowAreSeenToo) {
  const wchar_t* added = L"Sent straight to the list window";
  EXPECT_EQ(Send(LB_ADDSTRING, 0, added), 0);
  EXPECT_EQ(Extent(), Width(added) + 5);
  const wchar_t* file = L"an-even-longer-file-name-added-as-a-file.txt";
  Send(LB_ADDFILE, 0, file);
  EXPECT_EQ(Extent(), Width(file) + 5);
  const wchar_t* inserted = L"inserted first, widest of them all by a good margin";
  Send(LB_INSERTSTRING, 0, inserted);
  EXPECT_EQ(Extent(), Width(inserted) + 5);
  Send(LB_DELETESTRING, 0, nullptr);
  EXPECT_EQ(Extent(), Width(file) + 5);
  Send(LB_RESETCONTENT, 0, nullptr);
  EXPECT_EQ(Extent(), 5);
  EXPECT_EQ(Send(LB_DELETESTRING, 0, nullptr), LB_ERR);  // no such item: nothing changes
  EXPECT_EQ(Extent(), 5);
}

TEST_F(ListBoxExWin32Test, DirectoryListingCountsItsWidestName) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"listboxex-dir-" + std::to_wstring(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  const std::vector<std::wstring> names{L"a.txt", L"a-much-longer-name-than-the-others.txt", L"zz.txt"};
  for (const std::wstring& name : names) {
    CloseHandle(CreateFileW((folder + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  }
  const std::wstring pattern = folder + L"\\*.txt";
  const LRESULT last = Send(LB_DIR, DDL_READWRITE, pattern.c_str());
  for (const std::wstring& name : names) DeleteFileW((folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder.c_str());

  ASSERT_EQ(SendMessageW(window_, LB_GETCOUNT, 0, 0), 3);
  EXPECT_GE(last, 0);
  EXPECT_EQ(Extent(), Width(names[1]) + 5);
}

TEST_F(ListBoxExWin32Test, SortedListAndANewFontKeepTheExtentRight) {
  list_.SetSorted(true);
  window_ = FindWindowExW(form_.Handle(), nullptr, L"LISTBOX", nullptr);
  ASSERT_TRUE((GetWindowLongW(window_, GWL_STYLE) & LBS_SORT) != 0);
  EXPECT_EQ(list_.Items().Add("mmm"), 0);
  EXPECT_EQ(list_.Items().Add("aaaaaaaaaaaaaaaaaaaaaaaa"), 0);
  EXPECT_EQ(Extent(), Width(L"aaaaaaaaaaaaaaaaaaaaaaaa") + 5);

  const int small = Extent();
  list_.Font().SetHeight(-28);
  EXPECT_EQ(Extent(), Width(L"aaaaaaaaaaaaaaaaaaaaaaaa") + 5);
  EXPECT_GT(Extent(), small);
}

}  // namespace
}  // namespace snx
