#!/usr/bin/env python3
"""Writes the four shipped skins (Qt style sheets) into data/skin/.

%SKINDIR% in a skin stands for the folder of the skin file (its images are in img/).

Each skin is a complete style sheet; this script only keeps their structure
in step. Run it after changing the template, then commit the .she files."""
import os

TEMPLATE = """/* %(caption)s: Kuvo图片批处理 window skin (Qt style sheet). */
QWidget { color: %(text)s; font-size: 9pt; }
QMainWindow, QDialog, QWidget#frmPic { background: %(window)s; }
QToolTip { color: %(tip_text)s; background: %(tip)s; border: 1px solid %(border)s; padding: 3px 6px; }

/* Menus */
QMenuBar { color: %(menubar_text)s; background: %(menubar)s; border-bottom: 1px solid %(border)s; padding: 2px 4px; }
QMenuBar::item { color: %(menubar_text)s; background: transparent; padding: 4px 10px; border-radius: 3px; }
QMenuBar::item:selected { background: %(hover)s; color: %(hover_text)s; }
QMenuBar::item:pressed { background: %(accent)s; color: %(on_accent)s; }
QMenu { background: %(panel)s; border: 1px solid %(border)s; padding: 4px 0; }
QMenu::item { padding: 5px 28px 5px 26px; }
QMenu::item:selected { background: %(accent)s; color: %(on_accent)s; }
QMenu::item:disabled { color: %(muted)s; }
QMenu::separator { height: 1px; background: %(border)s; margin: 4px 8px; }

/* Panels */
QGroupBox { background: %(panel)s; border: 1px solid %(border)s; border-radius: %(radius)s; margin-top: 14px; padding: 10px 8px 8px 8px; }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 10px; padding: 1px 8px; color: %(title_text)s; background: %(title)s; border: 1px solid %(border)s; border-radius: 3px; }
QLabel { background: transparent; }
QLabel#lOut, QLabel#lTxt, QLabel#lSY, QLabel#lFile { color: %(muted)s; }

/* Buttons */
QPushButton, QToolButton { background: %(button)s; border: 1px solid %(button_border)s; border-radius: %(radius)s; padding: 4px 12px; min-height: 18px; }
QPushButton:hover, QToolButton:hover { background: %(button_hover)s; border-color: %(accent)s; }
QPushButton:pressed, QToolButton:pressed, QToolButton:checked { background: %(button_pressed)s; border-color: %(accent_dark)s; color: %(pressed_text)s; }
QPushButton:disabled, QToolButton:disabled { color: %(muted)s; background: %(disabled)s; border-color: %(border)s; }
QPushButton:default { border: 1px solid %(accent)s; }
QPushButton#cmdDone { background: %(primary)s; color: %(on_accent)s; border: 1px solid %(accent_dark)s; font-weight: bold; }
QPushButton#cmdDone:hover { background: %(primary_hover)s; }
QPushButton#cmdDone:disabled { background: %(disabled)s; color: %(muted)s; }
QPushButton#cmdStop:enabled { color: %(stop)s; }

/* Input */
QLineEdit, QComboBox, QSpinBox, QPlainTextEdit, QTextEdit { background: %(input)s; border: 1px solid %(input_border)s; border-radius: 3px; padding: 3px 5px; selection-background-color: %(accent)s; selection-color: %(on_accent)s; }
QLineEdit:focus, QComboBox:focus, QSpinBox:focus, QPlainTextEdit:focus { border-color: %(accent)s; }
QLineEdit:disabled, QComboBox:disabled { background: %(disabled)s; color: %(muted)s; }
QComboBox { padding-right: 22px; }
QComboBox::drop-down { subcontrol-origin: padding; subcontrol-position: top right; width: 20px; border-left: 1px solid %(input_border)s; background: %(button)s; border-top-right-radius: 3px; border-bottom-right-radius: 3px; }
QComboBox::down-arrow { image: url(%%SKINDIR%%/img/%(arrow)s); width: 10px; height: 10px; }
QComboBox QAbstractItemView { background: %(panel)s; border: 1px solid %(border)s; selection-background-color: %(accent)s; selection-color: %(on_accent)s; outline: 0; }
QCheckBox, QRadioButton { spacing: 6px; background: transparent; }
QCheckBox:disabled, QRadioButton:disabled { color: %(muted)s; }
QCheckBox::indicator, QRadioButton::indicator { width: 14px; height: 14px; border: 1px solid %(input_border)s; background: %(input)s; }
QCheckBox::indicator { border-radius: 3px; }
QRadioButton::indicator { border-radius: 8px; }
QCheckBox::indicator:hover, QRadioButton::indicator:hover { border-color: %(accent)s; }
QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { background: %(disabled)s; border-color: %(border)s; }
QCheckBox::indicator:checked { background: %(accent)s; border-color: %(accent_dark)s; image: url(%%SKINDIR%%/img/check.png); }
QCheckBox::indicator:checked:disabled { background: %(disabled)s; border-color: %(border)s; image: url(%%SKINDIR%%/img/check_disabled.png); }
QRadioButton::indicator:checked { border-color: %(accent_dark)s; background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 %(on_accent)s, stop:0.32 %(on_accent)s, stop:0.42 %(accent)s, stop:1 %(accent)s); }
QRadioButton::indicator:checked:disabled { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0 %(muted)s, stop:0.32 %(muted)s, stop:0.42 %(disabled)s, stop:1 %(disabled)s); }

/* Lists */
QListWidget, QListView, QTreeView, QTableView { background: %(input)s; alternate-background-color: %(alternate)s; border: 1px solid %(input_border)s; border-radius: 3px; outline: 0; }
QListWidget::item, QListView::item { padding: 3px 4px; }
QListWidget::item:hover, QListView::item:hover { background: %(hover)s; color: %(hover_text)s; }
QListWidget::item:selected, QListView::item:selected { background: %(accent)s; color: %(on_accent)s; }
QHeaderView::section { background: %(title)s; color: %(title_text)s; border: 0; border-right: 1px solid %(border)s; padding: 4px; }

/* Sliders, scroll bars, progress */
QSlider::groove:horizontal { height: 4px; background: %(groove)s; border-radius: 2px; }
QSlider::sub-page:horizontal { background: %(accent)s; border-radius: 2px; }
QSlider::handle:horizontal { width: 14px; margin: -6px 0; background: %(handle)s; border: 1px solid %(accent_dark)s; border-radius: 7px; }
QScrollBar:vertical { width: 12px; background: %(scroll)s; margin: 0; }
QScrollBar:horizontal { height: 12px; background: %(scroll)s; margin: 0; }
QScrollBar::handle:vertical { min-height: 24px; background: %(scroll_handle)s; border-radius: 5px; margin: 2px; }
QScrollBar::handle:horizontal { min-width: 24px; background: %(scroll_handle)s; border-radius: 5px; margin: 2px; }
QScrollBar::handle:hover { background: %(accent)s; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }
QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }
QProgressBar { background: %(input)s; border: 1px solid %(input_border)s; border-radius: 3px; text-align: center; height: 16px; }
QProgressBar::chunk { background: %(primary)s; border-radius: 2px; }
QTabWidget::pane { border: 1px solid %(border)s; background: %(panel)s; }
QTabBar::tab { background: %(button)s; border: 1px solid %(border)s; padding: 5px 14px; margin-right: 2px; border-top-left-radius: 3px; border-top-right-radius: 3px; }
QTabBar::tab:selected { background: %(panel)s; border-bottom-color: %(panel)s; color: %(accent_dark)s; }

/* The preview area, its tool strips and the news page */
QFrame#picImg { background: %(preview)s; border: 1px solid %(preview_border)s; border-radius: %(radius)s; }
QLabel#imgM { color: %(preview_text)s; font-size: 10pt; }
QFrame#Frame4, QFrame#Frame3 { background: transparent; }
QFrame#Frame4 QToolButton, QFrame#Frame3 QToolButton { padding: 3px 6px; }
QTextBrowser#Web { background: %(panel)s; border: 0; }
QFrame#frmTZ, QGroupBox#frmTZ, QGroupBox#frmeJZ { background: %(panel)s; }

/* Status line */
QStatusBar { background: %(statusbar)s; border-top: 1px solid %(border)s; color: %(status_text)s; }
QStatusBar QLabel { color: %(status_text)s; padding: 2px 4px; }
QStatusBar::item { border: 0; }

/* Splash and dialogs */
QFrame#splashFrame { background: %(splash)s; border: 1px solid %(accent_dark)s; border-radius: 6px; }
QLabel#lblSplashTitle { color: %(splash_title)s; }
QLabel#lblSplash { color: %(splash_text)s; }
QLabel#lblPDFArea { background: %(alternate)s; border: 1px dashed %(input_border)s; color: %(muted)s; }
QMessageBox, QInputDialog { background: %(window)s; }
"""

LIGHT_BLUE = dict(
    menubar_text="#1d2b3a",
    arrow="down_dark.png",
    caption="浅蓝(默认)", text="#1d2b3a", muted="#6b7c8f", window="#e9f1fa", panel="#ffffff", border="#b9cde4",
    tip="#fffbe6", tip_text="#333333", menubar="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f7fbff,stop:1 #dbe8f7)",
    hover="#d5e6fa", hover_text="#10324f", accent="#2f7fd8", accent_dark="#1f5fa8", on_accent="#ffffff",
    title="#e3eefb", title_text="#1f5fa8", radius="4px",
    button="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:1 #e3eefa)", button_border="#a9c2df",
    button_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:1 #d2e4f8)",
    button_pressed="#c4dbf5", pressed_text="#10324f", disabled="#eef2f6",
    primary="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #4a95e6,stop:1 #2a72c6)",
    primary_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #5ea3ec,stop:1 #3580d4)", stop="#c0392b",
    input="#ffffff", input_border="#b3c7de", alternate="#f4f8fd", groove="#cfdced", handle="#ffffff",
    scroll="#eef3f9", scroll_handle="#b8cbe2", preview="#2f3843", preview_border="#23303d", preview_text="#c9d6e4",
    statusbar="#dde9f6", status_text="#23405e", splash="qlineargradient(x1:0,y1:0,x2:1,y2:1,stop:0 #ffffff,stop:1 #d3e5f8)",
    splash_title="#1f5fa8", splash_text="#3c536b")

FRESH_GREEN = dict(
    menubar_text="#1f2f25",
    arrow="down_dark.png",
    caption="清新绿", title="#e0f2e6", text="#1f2f25", muted="#6d8375", window="#ecf6ef", panel="#ffffff", border="#b6d6c0",
    tip="#fbfff4", tip_text="#2f3a33", menubar="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f8fdf9,stop:1 #d9efe0)",
    hover="#d3eedc", hover_text="#173d26", accent="#2e9d5b", accent_dark="#1f7443", on_accent="#ffffff",
    title_text="#1f7443", radius="4px",
    button="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:1 #e2f3e8)", button_border="#a7cfb3",
    button_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:1 #cfeedb)",
    button_pressed="#bfe4cc", pressed_text="#173d26", disabled="#eff4f0",
    primary="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #45b471,stop:1 #2a8d51)",
    primary_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #55c27f,stop:1 #33995b)", stop="#c0392b",
    input="#ffffff", input_border="#afcdb9", alternate="#f3faf5", groove="#cde6d5", handle="#ffffff",
    scroll="#edf6f0", scroll_handle="#b3d6bf", preview="#2d3832", preview_border="#223029", preview_text="#cfe3d6",
    statusbar="#d9eedf", status_text="#1f4a30", splash="qlineargradient(x1:0,y1:0,x2:1,y2:1,stop:0 #ffffff,stop:1 #d2efdc)",
    splash_title="#1f7443", splash_text="#3b5a46")

AERO = dict(
    menubar_text="#ffffff",
    arrow="down_dark.png",
    caption="Aero皮肤", title="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #7db3ea,stop:0.5 #4f92d8,stop:0.51 #3a7fca,stop:1 #4d8fd6)", text="#10253f", muted="#667a92",
    window="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #c6dcf4,stop:0.45 #b2cfee,stop:1 #86aedb)", panel="rgba(255,255,255,175)",
    border="#7ea4d0", tip="#f4f9ff", tip_text="#10253f",
    menubar="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #6fa6de,stop:0.5 #4a8bd0,stop:0.51 #2f72bf,stop:1 #3f82cc)",
    hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:0.5 #d8ecff,stop:0.51 #b7dafb,stop:1 #cfe7fd)", hover_text="#0b2a4d",
    accent="#3b8de0", accent_dark="#1d5fa6", on_accent="#ffffff", title_text="#ffffff", radius="6px",
    button="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #fdfeff,stop:0.49 #e6eff9,stop:0.5 #d4e3f4,stop:1 #e4eef9)",
    button_border="#7f9fc6",
    button_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f4fbff,stop:0.49 #d6ecfd,stop:0.5 #b9dcf8,stop:1 #d4ebfc)",
    button_pressed="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #c4e1f8,stop:0.5 #a6d0f3,stop:1 #c2e0f8)",
    pressed_text="#0b2a4d", disabled="#e9eef4",
    primary="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #7ab8f3,stop:0.49 #4f9be6,stop:0.5 #2f82d6,stop:1 #4d9be5)",
    primary_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #8cc5f7,stop:0.49 #62a9ec,stop:0.5 #3b8fe0,stop:1 #5aa7ea)",
    stop="#b3261e", input="#ffffff", input_border="#8eaed3", alternate="#f0f6fd", groove="#b7cde7",
    handle="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #ffffff,stop:1 #cfe3f7)", scroll="rgba(255,255,255,120)",
    scroll_handle="#9dbde2", preview="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #30455e,stop:1 #1e2d40)",
    preview_border="#6f93bd", preview_text="#d4e4f5",
    statusbar="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #4a8bd0,stop:1 #2a66ad)", status_text="#ffffff",
    splash="qlineargradient(x1:0,y1:0,x2:1,y2:1,stop:0 #f5faff,stop:0.5 #cfe2f6,stop:1 #9ec3ea)",
    splash_title="#0f3f73", splash_text="#1d3d61")

CLASSIC_BLACK = dict(
    menubar_text="#e3e6eb",
    arrow="down_light.png",
    caption="经典黑皮肤", title="#34383f", text="#e3e6eb", muted="#8a9099", window="#1e2024", panel="#2a2d33", border="#3d424a",
    tip="#33373e", tip_text="#f0f0f0", menubar="#24272c", hover="#3a3f47", hover_text="#ffffff",
    accent="#e79b2c", accent_dark="#b8741a", on_accent="#1b1b1b", title_text="#f0b35a", radius="4px",
    button="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #3b3f47,stop:1 #30343a)", button_border="#4a4f58",
    button_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #464b54,stop:1 #393d44)",
    button_pressed="#4e4536", pressed_text="#ffd08a", disabled="#26292e",
    primary="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f2ad45,stop:1 #d9891f)",
    primary_hover="qlineargradient(x1:0,y1:0,x2:0,y2:1,stop:0 #f6bb5e,stop:1 #e3952c)", stop="#ff6b5b",
    input="#202328", input_border="#474c55", alternate="#262a2f", groove="#41464e", handle="#e3e6eb",
    scroll="#23262b", scroll_handle="#4a4f58", preview="#131417", preview_border="#000000", preview_text="#9aa1ab",
    statusbar="#181a1d", status_text="#c9ced6", splash="qlineargradient(x1:0,y1:0,x2:1,y2:1,stop:0 #34383f,stop:1 #17191c)",
    splash_title="#f0b35a", splash_text="#c9ced6")

SKINS = [("浅蓝(默认).she", LIGHT_BLUE), ("清新绿.she", FRESH_GREEN), ("Aero皮肤.she", AERO),
         ("经典黑皮肤.she", CLASSIC_BLACK)]

out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "skin")
os.makedirs(out, exist_ok=True)
for name, values in SKINS:
    with open(os.path.join(out, name), "w", encoding="utf-8") as f:
        f.write(TEMPLATE % values)
    print("wrote", name)
