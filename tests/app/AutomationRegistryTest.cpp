// The automation class's registration against throwaway keys that stand for
// the machine's and the user's Software\Classes.
#include <gtest/gtest.h>

#include "framework/RegKey.h"
#include "ui/AutomationRegistry.h"

namespace {
const char kScratch[] = "Software\\WavoryTest\\AutomationRegistry";
const std::string kProgram = "C:\\Program Files (x86)\\Wavory\\Wavory.exe";
const std::string kOtherProgram = "D:\\Copy\\Wavory.exe";
const std::string kClassKey = std::string("CLSID\\") + automation::kClsidText;

// Two classes roots under a scratch key. A volatile root stands for a machine
// key the user may not write: a volatile key takes no lasting subkeys.
class ScratchRoots {
public:
    explicit ScratchRoots(bool machineWritable = true) {
        CRegKey::DeleteTree(HKEY_CURRENT_USER, kScratch);
        // Made first: a volatile key made with its parents would make them volatile too.
        m_user.Create(HKEY_CURRENT_USER, (std::string(kScratch) + "\\user").c_str());
        const std::string machine = std::string(kScratch) + "\\machine";
        if (machineWritable) {
            m_machine.Create(HKEY_CURRENT_USER, machine.c_str());
        } else {
            HKEY key = nullptr;
            RegCreateKeyExA(HKEY_CURRENT_USER, machine.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_READ | KEY_WRITE, nullptr, &key, nullptr);
            m_volatile.Attach(key);
        }
    }
    ~ScratchRoots() {
        m_machine.Close();
        m_volatile.Close();
        m_user.Close();
        CRegKey::DeleteTree(HKEY_CURRENT_USER, kScratch);
    }
    automation::ClassesRoots Roots() const {
        return {m_machine.IsOpen() ? m_machine.Get() : m_volatile.Get(), m_user.Get()};
    }
    HKEY Machine() const { return Roots().machine; }
    HKEY User() const { return m_user.Get(); }

private:
    CRegKey m_machine, m_user;
    CKeyHandle m_volatile;
};

std::string Server(HKEY root) {
    CRegKey key;
    std::string value = "<missing>";
    if (key.Open(root, (kClassKey + "\\LocalServer32").c_str()) == ERROR_SUCCESS) key.QueryString(nullptr, value);
    return value;
}
// Any key of the table under root.
bool HasAnything(HKEY root) {
    CRegKey progId, classKey;
    return progId.Open(root, automation::kProgId) == ERROR_SUCCESS ||
           classKey.Open(root, kClassKey.c_str()) == ERROR_SUCCESS;
}
}  // namespace

TEST(AutomationRegistry, TheTableNamesTheProgramAsItsLocalServer) {
    ScratchRoots scratch;
    ASSERT_TRUE(automation::WriteRegistration(scratch.Machine(), kProgram));
    EXPECT_EQ("\"" + kProgram + "\" /Automation", Server(scratch.Machine()));
    CRegKey progId;
    std::string clsid;
    ASSERT_EQ(ERROR_SUCCESS, progId.Open(scratch.Machine(), "Wavory.Application\\CLSID"));
    progId.QueryString(nullptr, clsid);
    EXPECT_EQ(automation::kClsidText, clsid);
    EXPECT_TRUE(automation::IsRegisteredFor(scratch.Machine(), kProgram));
    EXPECT_FALSE(automation::IsRegisteredFor(scratch.Machine(), kOtherProgram));
    EXPECT_TRUE(automation::DeleteRegistration(scratch.Machine()));
    EXPECT_FALSE(HasAnything(scratch.Machine())) << "removal leaves nothing of the table";
    EXPECT_TRUE(automation::DeleteRegistration(scratch.Machine())) << "nothing to remove is no failure";
}

TEST(AutomationRegistry, ARefreshLeavesACurrentRegistrationAloneAndMendsAStaleOne) {
    ScratchRoots scratch;
    ASSERT_TRUE(automation::WriteRegistration(scratch.Machine(), kProgram));
    automation::RefreshRegistration(scratch.Roots(), kProgram);
    EXPECT_FALSE(HasAnything(scratch.User())) << "nothing written for the user";
    automation::RefreshRegistration(scratch.Roots(), kOtherProgram);
    EXPECT_EQ("\"" + kOtherProgram + "\" /Automation", Server(scratch.Machine())) << "another copy takes the class";
    EXPECT_FALSE(HasAnything(scratch.User()));
}

TEST(AutomationRegistry, WhereTheMachineKeysCannotBeWrittenTheUsersServe) {
    ScratchRoots scratch(false);
    ASSERT_NE(nullptr, scratch.Machine());
    EXPECT_FALSE(automation::WriteRegistration(scratch.Machine(), kProgram)) << "the stand-in must refuse writes";
    automation::RefreshRegistration(scratch.Roots(), kProgram);
    EXPECT_EQ("\"" + kProgram + "\" /Automation", Server(scratch.User()));
    EXPECT_EQ("<missing>", Server(scratch.Machine()));
}

TEST(AutomationRegistry, TheUsersKeysHideTheMachinesSoTheyAreTheOnesMended) {
    ScratchRoots scratch;
    ASSERT_TRUE(automation::WriteRegistration(scratch.Machine(), kProgram));
    ASSERT_TRUE(automation::WriteRegistration(scratch.User(), kOtherProgram));
    automation::RefreshRegistration(scratch.Roots(), kProgram);
    EXPECT_EQ("\"" + kProgram + "\" /Automation", Server(scratch.User()));
}

TEST(AutomationRegistry, NoRootToWriteIsNoFailure) {
    automation::RefreshRegistration({nullptr, nullptr}, kProgram);
    EXPECT_FALSE(automation::WriteRegistration(nullptr, kProgram));
    EXPECT_TRUE(automation::DeleteRegistration(nullptr));
}
