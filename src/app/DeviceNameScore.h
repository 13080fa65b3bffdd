#pragma once

// How likely a sound device or input name is to carry what the computer plays ("Stereo Mix"
// scores 16, "What U Hear" 3): the sum of the weights of the keywords in the lower-cased name,
// English and GBK (code page 936) alike.
int ScoreDeviceName(const char* pszName);
