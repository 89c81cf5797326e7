// A headless application object for the fuzz targets, made on first use.
#pragma once

void EnsureFuzzApplication();
