// The compiled help file beside the program, and opening one of its topics.
#pragma once

// The program's folder followed by "\Wavory.chm"; set once at start-up.
const char* HelpFilePath();
void SetHelpFilePath(const char* path);
// Opens topic (such as "::/Options.htm") of the help file in the help viewer.
void OpenHelpTopic(const char* topic);
