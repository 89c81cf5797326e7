// The start-up registrations of the printing engine that this program uses:
// report item, border and link classes, print styles, the preview window
// class and the engine's dialogs. Runs once; later calls do nothing.
#pragma once

void RegisterPrintingUnits();
