// CHyperLink: turns an existing static text item into a clickable link with
// its own colours, underline, hand cursor and a window fitted to its text.
// It never creates a window; CWnd::BindDlgItem binds it to a dialog item.
#pragma once

#include <windows.h>

#include <string>

#include "framework/gdi_objects.h"
#include "framework/wnd.h"

class CHyperLink : public CWnd {
 public:
  // Underline modes.
  static constexpr int UnderlineOnHover = -1;  // underlined only while hovering
  static constexpr int UnderlineNever = 0;
  static constexpr int UnderlineAlways = 1;

  // The hover watch: while hovering, this timer checks whether the pointer
  // has left the control.
  static constexpr UINT_PTR kHoverTimerId = 100;
  static constexpr UINT kHoverIntervalMs = 100;

  CHyperLink();
  ~CHyperLink() override;

  const MessageMap* GetMessageMap() const override;
  // Stops the hover timer, then destroys the window.
  bool DestroyWindow() override;

  // Stores what a click opens; the displayed text stays as it is. Refits
  // the window to its (unchanged) text when the control has a window.
  void SetLinkTarget(const char* target);
  // One of the Underline* modes; sets the matching font on the window.
  void SetUnderlineMode(int mode);
  // Opens target through the shell; when the shell cannot, runs the ".htm"
  // handler's command with target as argument. Returns the last launch
  // call's result; greater than 32 means opened.
  static HINSTANCE OpenLinkTarget(const char* target, int showCommand);
  // Resizes and moves the window to its text in the underlined font,
  // following the static's alignment styles.
  void FitToText();
  // Loads the hand cursor once; it stays null when unavailable.
  void LoadHandCursor();

  // The colour the text is painted in now: hover, else visited, else link.
  COLORREF CurrentTextColor() const;

  // The click's beep; replaceable so that a failed click can be observed.
  static BOOL(WINAPI* beep)(UINT type);

  COLORREF linkColor;
  COLORREF visitedColor;
  COLORREF hoverColor;
  bool isHovering;
  bool isVisited;
  int underlineMode;
  std::string linkTarget;
  CFont underlineFont;
  CFont plainFont;
  HCURSOR handCursor;

 protected:
  void PreSubclassWindow() override;

 private:
  bool OnCtlColor(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnSetCursor(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnMouseMove(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnTimer(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnClicked(WPARAM wParam, LPARAM lParam, LRESULT& result);
  bool OnEraseBkgnd(WPARAM wParam, LPARAM lParam, LRESULT& result);
};
