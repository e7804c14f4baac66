// Registers every class the program's window descriptions name: the class library's standard classes, the
// component set and the serial port component. Called once at start, before the first window is read.
#pragma once

void RegisterFormClasses();
