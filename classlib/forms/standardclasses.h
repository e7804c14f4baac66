// Registers the class library's standard classes under their own names (TForm, TPanel, TLabel, TImage, TBevel, TButton,
// TComboBox, TEdit, TMemo, TDateTimePicker, TProgressBar, TStatusBar, TTimer), so that window descriptions can
// create them.
#pragma once

void RegisterStandardClasses();
