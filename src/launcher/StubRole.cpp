#include "launcher/StubRole.h"

#include "util/PathText.h"
#include "util/UtilsText.h"

namespace orvane {

bool ThisIsPlainAgent(const StubIdentity& id) {
  return id.agentFlag && SameTextTrim(id.ownName, id.agentFileName);
}

bool ThisIsXAgent(const StubIdentity& id) {
  return id.agentFlag && SameTextTrim(id.ownName, "X_" + id.agentFileName);
}

StubRole ChooseStubRole(const StubIdentity& id, long long spanCdLevel, bool relaunchFlag) {
  if (ThisIsPlainAgent(id))
    return StubRole::PlainAgent;
  if (ThisIsXAgent(id))
    return StubRole::XAgent;
  if (spanCdLevel == 1 && relaunchFlag)
    return StubRole::Relaunch;
  return StubRole::SetupLauncher;
}

std::string InstanceKey(const StubIdentity& id) {
  if (id.agentFlag)
    return ".AutoUpdate." + NameWithoutExtension(id.ownName, false);
  return id.ownPath;
}

std::string XAgentWindowClass(const StubIdentity& id) {
  return ".AutoUpdate.X_" + NameWithoutExtension(id.agentFileName, false);
}

}  // namespace orvane
