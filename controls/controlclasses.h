// Registers the component set's classes under their own names (TXpButton, TGradientCheck, TShadowLabel,
// TComboBoxPng, TPngCheckBox, TValidateEdit, TPngImageList), so that window descriptions can create them.
#pragma once

void RegisterControlClasses();
