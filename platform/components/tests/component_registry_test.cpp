#include "platform/components/component_library.h"
#include "platform/components/component_registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace korvan::platform {
namespace {

constexpr const char* kClsid = "{0B1C2D3E-4F50-4A6B-8C7D-9E0F1A2B3C4D}";
constexpr const char* kLibid = "{1A2B3C4D-5E6F-4A7B-8C9D-0E1F2A3B4C5D}";

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() /
              ("korvan-registry-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        file = dir / "components.ini";
        ::setenv("KORVAN_COMPONENT_REGISTRY", file.c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("KORVAN_COMPONENT_REGISTRY");
        std::filesystem::remove_all(dir);
    }
    static std::filesystem::path testsDir()
    {
        const char* bin = std::getenv("KORVAN_BIN_DIR");
        return bin ? std::filesystem::path(bin).parent_path() / "tests" : ".";
    }
    static int regsvr(const std::string& args)
    {
        const char* bin = std::getenv("KORVAN_BIN_DIR");
        const std::string command =
            std::string(bin ? bin : ".") + "/korvan-regsvr /s " + args + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::filesystem::path dir;
    std::filesystem::path file;
};

TEST_F(RegistryTest, GuidText)
{
    EXPECT_TRUE(isGuidText("{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618}"));
    EXPECT_FALSE(isGuidText("5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F618"));
    EXPECT_FALSE(isGuidText("{5E8A1C47-2B93-4D6F-A1E0-7C3B9D24F61G}"));
}

TEST_F(RegistryTest, RegsvrRegistersAndUnregistersEverything)
{
    const auto library = testsDir() / "korvan_test_component.ocx";
    ASSERT_EQ(regsvr(library.string()), 0);
    ComponentRegistry registry(file);
    const auto entry = registry.findClass(kClsid);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->library, std::filesystem::absolute(library).string());
    EXPECT_EQ(entry->progId, "TEST.TestCtrl.1");
    EXPECT_EQ(entry->miscStatus, 131473);
    EXPECT_EQ(entry->threadingModel, "Apartment");
    EXPECT_TRUE(entry->control);
    EXPECT_EQ(entry->toolboxBitmap, entry->library + ", 1");
    EXPECT_EQ(registry.clsidFromProgId("test.testctrl.1"), std::string(kClsid));
    const auto typeLib = registry.findTypeLib(kLibid, 1, 0);
    ASSERT_TRUE(typeLib);
    EXPECT_EQ(typeLib->name, "TestLib");
    EXPECT_EQ(typeLib->locale, 0x409U);
    ASSERT_EQ(typeLib->interfaces.size(), 1U);
    EXPECT_EQ(typeLib->interfaces[0].name, "_DTest");

    ASSERT_EQ(regsvr("/u " + library.string()), 0);
    ComponentRegistry after(file);
    EXPECT_FALSE(after.hasClass(kClsid));
    EXPECT_FALSE(after.hasTypeLib(kLibid, 1, 0));
    EXPECT_FALSE(after.clsidFromProgId("TEST.TestCtrl.1"));
    EXPECT_TRUE(after.findTypeLib(kLibid, 1, 0) == std::nullopt);
}

TEST_F(RegistryTest, RegsvrFailures)
{
    EXPECT_EQ(regsvr((dir / "missing.ocx").string()), 3);
    EXPECT_EQ(regsvr(""), 1);
    // A registry that cannot be written: the type library fails, nothing is registered.
    std::filesystem::create_directories(dir / "blocked.ini");
    ::setenv("KORVAN_COMPONENT_REGISTRY", (dir / "blocked.ini").c_str(), 1);
    EXPECT_EQ(regsvr((testsDir() / "korvan_test_component.ocx").string()), 4);
}

TEST_F(RegistryTest, FactoryCreatesDispatchableObjects)
{
    ComponentLibrary library(testsDir() / "korvan_test_component.ocx");
    ASSERT_TRUE(library.loaded()) << library.error();
    EXPECT_EQ(library.classFactory("{00000000-0000-0000-0000-000000000000}"), nullptr);
    ClassFactory* factory = library.classFactory(kClsid);
    ASSERT_NE(factory, nullptr);
    {
        auto object = factory->createInstance();
        EXPECT_EQ(library.canUnloadNow(), kFalse);
        std::int32_t dispid = 0, sum = 0;
        ASSERT_EQ(object->dispatchId("Add", &dispid), kOk);
        const std::int32_t args[] = {40, 2};
        EXPECT_EQ(object->invoke(dispid, args, &sum), kOk);
        EXPECT_EQ(sum, 42);
        EXPECT_EQ(object->invoke(7, args, &sum), kMemberNotFound);
        EXPECT_EQ(object->invoke(1, std::span(args, 1), &sum), kBadParamCount);
    }
    EXPECT_EQ(library.canUnloadNow(), kOk);
    factory->lockServer(true);
    EXPECT_EQ(library.canUnloadNow(), kFalse);
    factory->lockServer(false);
}

} // namespace
} // namespace korvan::platform
