// Whether Windows shows the packaged commands (ExplorerCommand) in this
// process's context menus. Windows lists a package's commands in the classic
// menu too ("Show more options" on Windows 11, the only menu on Windows 10),
// so the classic handler stands aside then and no menu shows an entry twice.
#pragma once

namespace shellext {

bool PackagedCommandsServeThisProcess();

}  // namespace shellext
