// StubAUFiles: what the parts of the agent unit share: the host, the
// agent's folder and settings files, and the local copies it may write.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "agent/StubAU.h"
#include "package/StubGlob.h"

namespace orvane {

// The host set by SetAgentHost; HasAgentHost tells whether there is one.
AgentHost& AgentHostRef();
bool HasAgentHost();

// The folder of the running agent, with a trailing backslash.
std::string AgentFolder();
// The agent's ".original" and ".info" files.
OriginalFile AgentOriginalFile();
InfoFile AgentInfoFile();

// The agent's boxes, with the [MsgBox] captions, buttons and character set
// of the product: an error (owner code 0), a notice and a question with the
// given owner code (0, 1 or 2 of ZMsgBoxMarkup.h); the question is true for Yes.
void AgentError(std::string_view text);
void AgentAttention(uintptr_t ownerCode, std::string_view text);
bool AgentYesNo(uintptr_t ownerCode, std::string_view text);

// The path in the agent's folder where a fetched update or inform file
// `name` (a file name, no folder) is kept; empty when the name is not one
// plain file name or names one of the agent's own files (its program, the
// agent program file, the settings files, the log), which a fetch must
// never replace.
std::string LocalCopyPath(const std::string& name);

}  // namespace orvane
