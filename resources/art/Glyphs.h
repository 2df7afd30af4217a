#pragma once

class QPainter;

// White strokes around (0, 0), about 30 points wide, one per tool.
void glyphLoader(QPainter& p);
void glyphLantern(QPainter& p);
void glyphSheetGlide(QPainter& p);
void glyphProfile(QPainter& p);
void glyphNozzle(QPainter& p);
void glyphVault(QPainter& p);
void glyphVaultSetup(QPainter& p);
