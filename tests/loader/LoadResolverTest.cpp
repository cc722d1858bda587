#include <gtest/gtest.h>

#include "FakeTarget.h"
#include "SchemaBuilder.h"
#include "loader/LoadResolver.h"

namespace {

using loader::FoundBy;
using loader::LoadKind;
using loader::LoadRow;
using loader::PassedOver;
using loader::Problem;
using loader_test::FakeTarget;
using loader_test::Importing;

const std::uint16_t kI386 = 0x014C;
const std::string kSystem = "drive_c/windows/System32/";

const LoadRow& Row(const std::vector<LoadRow>& rows, const std::string& name)
{
    for (const LoadRow& row : rows) {
        if (row.importName == name) return row;
    }
    static LoadRow none;
    ADD_FAILURE() << "no row " << name;
    return none;
}

std::vector<LoadRow> Resolve(FakeTarget& target, const std::string& program,
                             const std::optional<std::string>& path = std::nullopt,
                             const loader::ResolveOptions& options = {})
{
    auto system = target.Open(path);
    loader::FileModuleSource modules;
    return loader::ResolveLoadList(program, *system, modules, options);
}

TEST(LoadResolverTest, TheSearchOrderChoosesAndShadows)
{
    FakeTarget target;
    const auto dll = [](std::uint16_t machine = 0x8664) { return Importing({}, machine, true); };
    const std::string program =
        target.Module("app/app.exe", Importing({"shadow.dll", "sys.dll", "win.dll", "old.dll", "cur.dll", "onpath.dll",
                                                "gone.dll", "only32.dll", "broken.dll", "noext", "bare."}));
    target.Module("app/shadow.dll", dll());
    target.Module(kSystem + "SHADOW.DLL", dll());
    target.Module(kSystem + "sys.dll", dll());
    target.Module("drive_c/windows/win.dll", dll());
    target.Module("drive_c/windows/System/old.dll", dll());
    target.Module("current/cur.dll", dll());
    target.Module("path1/onpath.dll", dll(kI386));
    target.Module("path2/onpath.dll", dll());
    target.Module("path1/only32.dll", dll(kI386));
    target.File(kSystem + "broken.dll", "not a module");
    target.Module("path2/noext.dll", dll());
    target.Module("path2/bare", dll());

    loader::ResolveOptions options;
    options.currentDirectory = target.Path("current");
    const std::vector<LoadRow> rows =
        Resolve(target, program, target.Path("path1") + ";" + target.Path("path2"), options);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[0].loadKind, LoadKind::Program);
    EXPECT_EQ(rows[0].importName, "app.exe");
    EXPECT_EQ(rows[1].importName, "shadow.dll");

    const LoadRow& shadow = Row(rows, "shadow.dll");
    EXPECT_EQ(shadow.foundBy, FoundBy::AppDir);
    EXPECT_EQ(shadow.importedBy, "app.exe");
    EXPECT_EQ(shadow.depth, 1u);
    ASSERT_EQ(shadow.shadowed.size(), 1u);
    EXPECT_EQ(shadow.shadowed[0].path, target.Path(kSystem + "SHADOW.DLL"));
    EXPECT_EQ(shadow.shadowed[0].why, PassedOver::Later);
    EXPECT_EQ(shadow.shadowed[0].where, FoundBy::System);

    EXPECT_EQ(Row(rows, "sys.dll").foundBy, FoundBy::System);
    EXPECT_EQ(Row(rows, "win.dll").foundBy, FoundBy::Windows);
    EXPECT_EQ(Row(rows, "old.dll").foundBy, FoundBy::System16);
    EXPECT_EQ(Row(rows, "cur.dll").foundBy, FoundBy::Current);
    EXPECT_EQ(Row(rows, "noext").fileName, target.Path("path2/noext.dll"));
    EXPECT_EQ(Row(rows, "bare.").fileName, target.Path("path2/bare"));

    const LoadRow& onPath = Row(rows, "onpath.dll");
    EXPECT_EQ(onPath.foundBy, FoundBy::Path);
    EXPECT_EQ(onPath.fileName, target.Path("path2/onpath.dll"));
    ASSERT_EQ(onPath.shadowed.size(), 1u);
    EXPECT_EQ(onPath.shadowed[0].why, PassedOver::WrongMachine);

    EXPECT_EQ(Row(rows, "gone.dll").problem, Problem::Missing);
    EXPECT_EQ(Row(rows, "gone.dll").foundBy, FoundBy::Missing);
    EXPECT_EQ(Row(rows, "only32.dll").problem, Problem::WrongMachine);
    EXPECT_EQ(Row(rows, "broken.dll").problem, Problem::Unreadable);
    EXPECT_TRUE(loader::IsFailure(Row(rows, "gone.dll").problem));
}

TEST(LoadResolverTest, SafeDllSearchModeOffPutsTheCurrentDirectorySecond)
{
    for (const bool safe : {true, false}) {
        FakeTarget target(std::string("[System\\\\CurrentControlSet\\\\Control\\\\Session Manager] 1\n") +
                          "\"SafeDllSearchMode\"=dword:0000000" + (safe ? "1" : "0") + "\n");
        const std::string program = target.Module("app/app.exe", Importing({"both.dll"}));
        target.Module("current/both.dll", Importing({}, 0x8664, true));
        target.Module(kSystem + "both.dll", Importing({}, 0x8664, true));
        loader::ResolveOptions options;
        options.currentDirectory = target.Path("current");
        const std::vector<LoadRow> rows = Resolve(target, program, std::nullopt, options);
        EXPECT_EQ(Row(rows, "both.dll").foundBy, safe ? FoundBy::System : FoundBy::Current);
    }
}

TEST(LoadResolverTest, KnownDllsWinAndTheirImportsComeFromTheirDirectory)
{
    const std::string knownDlls =
        "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\KnownDLLs] 1\n"
        "\"known\"=\"KNOWN.dll\"\n\"DllDirectory\"=str(2):\"%SystemRoot%\\\\system32\"\n"
        "[System\\\\CurrentControlSet\\\\Control\\\\Session Manager\\\\KnownDLLs32] 1\n"
        "\"known32\"=\"known32.dll\"\n";
    FakeTarget target(knownDlls);
    target.Module("drive_c/windows/SysWOW64/placeholder.txt", {});
    const std::string program = target.Module("app/app.exe", Importing({"known.dll"}));
    target.Module("app/known.dll", Importing({}, 0x8664, true));
    target.Module("app/dep.dll", Importing({}, 0x8664, true));
    target.Module(kSystem + "known.dll", Importing({"dep.dll"}, 0x8664, true));
    target.Module(kSystem + "dep.dll", Importing({}, 0x8664, true));
    const std::vector<LoadRow> rows = Resolve(target, program);
    EXPECT_EQ(Row(rows, "known.dll").foundBy, FoundBy::KnownDll);
    EXPECT_EQ(Row(rows, "known.dll").fileName, target.Path(kSystem + "known.dll"));
    EXPECT_EQ(Row(rows, "dep.dll").foundBy, FoundBy::KnownDll);
    EXPECT_EQ(Row(rows, "dep.dll").shadowed.size(), 1u);

    // A 32-bit program on 64-bit Windows: SysWOW64 and the WOW64 list.
    const std::string program32 = target.Module("app/app32.exe", Importing({"known32.dll", "known.dll"}, kI386));
    target.Module("drive_c/windows/SysWOW64/known32.dll", Importing({}, kI386, true));
    target.Module("drive_c/windows/SysWOW64/known.dll", Importing({}, kI386, true));
    target.Module("app/known32.dll", Importing({}, kI386, true));
    const std::vector<LoadRow> rows32 = Resolve(target, program32);
    EXPECT_EQ(Row(rows32, "known32.dll").foundBy, FoundBy::KnownDll);
    EXPECT_EQ(Row(rows32, "known32.dll").fileName, target.Path("drive_c/windows/SysWOW64/known32.dll"));
    // On the native list only: searched for, past the 64-bit copy beside the program.
    EXPECT_EQ(Row(rows32, "known.dll").foundBy, FoundBy::System);
    EXPECT_EQ(Row(rows32, "known.dll").shadowed.at(0).why, PassedOver::WrongMachine);
}

TEST(LoadResolverTest, ApiSetContractsResolveToTheirHost)
{
    FakeTarget target;
    loader_test::PeRecipe schema;
    schema.sections.push_back(
        {".apiset",
         loader_test::BuildSchema(6, {{"api-ms-win-core-test-l1-1-0", {{"", "host.dll"}, {"special.dll", "other.dll"}}},
                                      {"api-ms-win-core-none-l1-1-0", {{"", ""}}},
                                      {"ext-ms-win-none-l1-1-0", {{"", ""}}}})});
    target.Module(kSystem + "apisetschema.dll", schema);
    target.Module(kSystem + "host.dll", Importing({}, 0x8664, true));
    target.Module(kSystem + "other.dll", Importing({}, 0x8664, true));
    target.Module(kSystem + "special.dll", Importing({"api-ms-win-core-test-l1-1-1.dll"}, 0x8664, true));
    target.Module(kSystem + "api-ms-win-core-unknown-l1-1-0.dll", Importing({}, 0x8664, true));
    const std::string program = target.Module(
        "app/app.exe", Importing({"api-ms-win-core-test-l1-1-0.dll", "special.dll", "api-ms-win-core-none-l1-1-0.dll",
                                  "ext-ms-win-none-l1-1-0.dll", "api-ms-win-core-unknown-l1-1-0.dll", "host.dll"}));
    const std::vector<LoadRow> rows = Resolve(target, program);

    const LoadRow& contract = Row(rows, "api-ms-win-core-test-l1-1-0.dll");
    EXPECT_EQ(contract.foundBy, FoundBy::ApiSet);
    EXPECT_EQ(contract.apiSetHost, "host.dll");
    EXPECT_EQ(contract.fileName, target.Path(kSystem + "host.dll"));
    EXPECT_EQ(Row(rows, "api-ms-win-core-test-l1-1-1.dll").apiSetHost, "other.dll");  // the importer's exception
    EXPECT_EQ(Row(rows, "api-ms-win-core-none-l1-1-0.dll").problem, Problem::Missing);
    EXPECT_EQ(Row(rows, "ext-ms-win-none-l1-1-0.dll").problem, Problem::None);
    EXPECT_EQ(Row(rows, "ext-ms-win-none-l1-1-0.dll").foundBy, FoundBy::ApiSet);
    EXPECT_EQ(Row(rows, "api-ms-win-core-unknown-l1-1-0.dll").foundBy, FoundBy::System);
    // host.dll is mapped already, through the contract.
    EXPECT_EQ(Row(rows, "host.dll").foundBy, FoundBy::Loaded);
}

TEST(LoadResolverTest, LoopsAndForwarderChainsListEachModuleOnce)
{
    FakeTarget target;
    loader_test::PeRecipe a = Importing({"b.dll"}, 0x8664, true);
    a.exports = {{"f", "c.g"}, {"unused", "never.h"}};
    target.Module("app/a.dll", a);
    target.Module("app/b.dll", Importing({"a.dll", "b.dll"}, 0x8664, true));
    loader_test::PeRecipe c = Importing({}, 0x8664, true);
    c.exports = {{"g", "d.#3"}};
    target.Module("app/c.dll", c);
    target.Module("app/d.dll", Importing({"a.dll"}, 0x8664, true));
    const std::string program = target.Module("app/app.exe", Importing({"a.dll", "B.DLL"}));

    const std::vector<LoadRow> rows = Resolve(target, program);
    std::vector<std::string> names;
    for (const LoadRow& row : rows) names.push_back(row.importName);
    EXPECT_EQ(names, (std::vector<std::string>{"app.exe", "a.dll", "c.dll", "d.dll", "B.DLL"}));
    EXPECT_EQ(Row(rows, "c.dll").loadKind, LoadKind::Forwarder);
    EXPECT_EQ(Row(rows, "c.dll").importedBy, "a.dll");
    EXPECT_EQ(Row(rows, "d.dll").importedBy, "c.dll");
    EXPECT_EQ(Row(rows, "d.dll").depth, 3u);
}

TEST(LoadResolverTest, ManifestsRedirectToTheHighestMatchingAssembly)
{
    FakeTarget target;
    const std::string sxs = "drive_c/windows/WinSxS/";
    for (const char* version : {"1.0.5.0", "1.0.9.0", "2.0.0.0"}) {
        target.Module(sxs + "amd64_modaris.test.assembly_0123456789abcdef_" + version + "_none_1/cc.dll",
                      Importing({}, 0x8664, true));
    }
    target.Module(sxs + "x86_modaris.test.assembly_0123456789abcdef_1.0.99.0_none_1/cc.dll",
                  Importing({}, kI386, true));
    target.Module(kSystem + "cc.dll", Importing({}, 0x8664, true));
    loader_test::PeRecipe recipe = Importing({"cc.dll"});
    recipe.manifest =
        "<assembly><dependency><dependentAssembly><assemblyIdentity type='win32' "
        "name='Modaris.Test.Assembly' version='1.0.0.0' processorArchitecture='*' "
        "publicKeyToken='0123456789ABCDEF' language='*'/></dependentAssembly></dependency>"
        "<dependency><dependentAssembly><assemblyIdentity name=\"Absent.Assembly\" version=\"1.0.0.0\"/>"
        "</dependentAssembly></dependency></assembly>";
    const std::string program = target.Module("app/app.exe", recipe);
    const std::vector<LoadRow> rows = Resolve(target, program);
    const LoadRow& cc = Row(rows, "cc.dll");
    EXPECT_EQ(cc.foundBy, FoundBy::Sxs);
    EXPECT_NE(cc.fileName.find("1.0.9.0"), std::string::npos) << cc.fileName;
    EXPECT_EQ(rows[0].problem, Problem::SxsUnresolved);
    EXPECT_FALSE(loader::IsFailure(rows[0].problem));
    ASSERT_EQ(rows[0].unresolvedAssemblies.size(), 1u);
    EXPECT_EQ(rows[0].unresolvedAssemblies[0], "Absent.Assembly 1.0.0.0");
}

TEST(LoadResolverTest, EachDirectoryListedAndEachModuleReadOncePerRun)
{
    FakeTarget target;
    const std::string first = target.Module("app/one.exe", Importing({"x.dll", "y.dll", "gone1.dll"}));
    const std::string second = target.Module("app/two.exe", Importing({"y.dll", "x.dll", "gone2.dll"}));
    target.Module(kSystem + "x.dll", Importing({"y.dll"}, 0x8664, true));
    target.Module(kSystem + "y.dll", Importing({}, 0x8664, true));
    auto system = target.Open(target.Path("path1") + ";" + target.Path("path2"));
    const std::size_t before = system->Directories().ListingCount();
    loader::FileModuleSource modules;
    loader::ResolveLoadList(first, *system, modules);
    const std::size_t afterOne = system->Directories().ListingCount();
    loader::ResolveLoadList(second, *system, modules);
    EXPECT_EQ(system->Directories().ListingCount(), afterOne);
    EXPECT_LE(afterOne - before, 4u);  // app, System, path1, path2: the others were listed at the open
    EXPECT_EQ(modules.ReadCount(), 4u);

    const std::vector<LoadRow> absent = loader::ResolveLoadList(target.Path("app/none.exe"), *system, modules);
    ASSERT_EQ(absent.size(), 1u);
    EXPECT_EQ(absent[0].problem, Problem::Missing);
    target.File("app/text.exe", "no module");
    const std::vector<LoadRow> unreadable = loader::ResolveLoadList(target.Path("app/text.exe"), *system, modules);
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].problem, Problem::Unreadable);
}

}  // namespace
