#include "tools/writer/installer_identity.hpp"

#include <algorithm>
#include <iterator>

#include "tools/writer/byte_order.hpp"
#include "tools/writer/dialog_brand.hpp"
#include "tools/writer/pe_image.hpp"
#include "tools/writer/resource_tree.hpp"

namespace mivora::writer {
namespace {

constexpr std::uint32_t kIdentityTypes[] = {kRtIcon, kRtGroupIcon, kRtVersion, kRtManifest, kRtDialog};

// The tree with the bytes of the identity's resources only: an installer's
// package may be of any size.
ResourceTree identity_tree_of(std::span<const std::uint8_t> executable) {
  ResourceTree tree = read_resource_tree(executable, pe::parse_image(executable), false);
  for (ResourceType& type : tree.types) {
    if (std::none_of(std::begin(kIdentityTypes), std::end(kIdentityTypes),
                     [&](std::uint32_t wanted) { return type.key.matches(wanted); }))
      continue;
    for (ResourceName& name : type.names)
      for (ResourceLeaf& leaf : name.languages) {
        auto from = executable.begin() + static_cast<std::ptrdiff_t>(leaf.file_offset);
        leaf.bytes.assign(from, from + leaf.file_size);
      }
  }
  return tree;
}

std::uint16_t language_of(const ResourceLeaf* leaf) {
  return leaf == nullptr || leaf->language.named ? kLanguageNeutral : static_cast<std::uint16_t>(leaf->language.id);
}

void add_icon_edits(const ResourceTree& stub, const IconResources& icon, std::vector<ResourceEdit>& edits) {
  std::uint16_t language = language_of(stub.find(kRtGroupIcon, kInstallerIconGroup));
  for (std::uint16_t old_image : icon_group_images(stub, kInstallerIconGroup))
    edits.push_back(ResourceEdit::removal(kRtIcon, old_image));
  for (std::size_t i = 0; i < icon.images.size(); ++i)
    edits.push_back(ResourceEdit::put(kRtIcon, static_cast<std::uint32_t>(i + 1), icon.images[i], language));
  edits.push_back(ResourceEdit::put(kRtGroupIcon, kInstallerIconGroup, icon.group, language));
}

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

std::vector<ResourceEdit> identity_edits(std::span<const std::uint8_t> stub, const InstallerIdentity& identity) {
  ResourceTree tree = identity_tree_of(stub);
  std::vector<ResourceEdit> edits;
  if (identity.icon) add_icon_edits(tree, *identity.icon, edits);
  if (identity.version)
    edits.push_back(ResourceEdit::put(kRtVersion, kVersionResourceId, build_version_resource(*identity.version)));
  else if (tree.find(kRtVersion, kVersionResourceId) != nullptr)
    edits.push_back(ResourceEdit::removal(kRtVersion, kVersionResourceId));
  if (identity.elevation)
    edits.push_back(ResourceEdit::put(kRtManifest, kProcessManifestId, bytes_of(build_manifest(*identity.elevation))));
  if (identity.brand) {
    const ResourceLeaf* dialog = tree.find(kRtDialog, kWizardDialogId);
    if (dialog == nullptr) throw InputError("the stub has no dialog template 100 to carry the brand");
    edits.push_back(
        ResourceEdit::put(kRtDialog, kWizardDialogId, rebrand_dialog(dialog->bytes, *identity.brand), language_of(dialog)));
  }
  return edits;
}

void embed_package_with_identity(std::span<const std::uint8_t> stub, const InstallerIdentity& identity,
                                 std::uint64_t package_size, const ContentSource& package, PatchableSink& out,
                                 std::optional<std::uint32_t> time_stamp) {
  std::vector<ResourceEdit> edits = identity_edits(stub, identity);
  embed_resource(stub, kRtRcdata, kPackageResourceId, package_size, package, out,
                 {.edits = edits, .time_stamp = time_stamp});
}

IdentityReadBack read_identity(std::span<const std::uint8_t> executable) {
  ResourceTree tree = identity_tree_of(executable);
  IdentityReadBack identity;
  if (tree.find(kRtGroupIcon, kInstallerIconGroup) != nullptr) identity.icon_file = icon_file_from_tree(tree);
  if (const ResourceLeaf* version = tree.find(kRtVersion, kVersionResourceId))
    identity.version = read_version_resource(version->bytes);
  if (const ResourceLeaf* manifest = tree.find(kRtManifest, kProcessManifestId))
    identity.elevation = read_manifest_elevation(manifest->bytes);
  if (const ResourceLeaf* dialog = tree.find(kRtDialog, kWizardDialogId)) identity.brand = read_brand(dialog->bytes);
  return identity;
}

}  // namespace mivora::writer
