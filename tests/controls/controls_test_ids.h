// Ids of the test dialog that holds one static of each kind the controls
// are attached to.
#pragma once

#define IDD_CONTROLS_TEST        200
#define IDC_LINK_LEFT            201  // plain left-aligned, with a border
#define IDC_LINK_CENTER          202  // SS_CENTER, wider than its text
#define IDC_LINK_RIGHT           203  // SS_RIGHT
#define IDC_LINK_CENTER_NARROW   204  // SS_CENTER | SS_CENTERIMAGE, narrower and taller than its text
#define IDC_LINK_EMPTY           205  // no text
#define IDC_NOTE_CENTERED        206  // SS_CENTER | SS_CENTERIMAGE, as the progress note
#define IDC_NOTE_WRAPPING        207  // left-aligned, long text, no SS_CENTERIMAGE
#define IDC_PLAIN_TEXT           208  // an ordinary static nobody attaches
