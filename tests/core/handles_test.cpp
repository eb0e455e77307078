#include <gtest/gtest.h>

#include <memory>

#include "core/handles.h"

namespace veltrakey {
namespace {

// Builds device → application → container → (key, MAC) and device → digest,
// linked into device_list; the list owns it all.
struct tree {
  gm_sc_dev* device = new gm_sc_dev("token-1");
  gm_sc_app* application = new gm_sc_app("app", 0x0101);
  gm_sc_cont* container = new gm_sc_cont("cont", 0x0202, 0x0101);
  gm_sc_key* key = new gm_sc_key(7, SGD_SM4_ECB, 0x0202);
  gm_sc_mac* mac = new gm_sc_mac(8, SGD_SM4_MAC, 0x0202);
  gm_sc_digest* digest = new gm_sc_digest(SGD_SM3);

  tree() {
    device_list.append(device);
    device->applications.append(application);
    device->digests.append(digest);
    application->containers.append(container);
    container->session_keys.append(key);
    container->macs.append(mac);
  }
};

class HandleTree : public ::testing::Test {
protected:
  void TearDown() override { device_list.delete_all(); }
};

TEST_F(HandleTree, IdsCountUpByOneAcrossKinds) {
  gm_sc_digest digest(SGD_SM3);
  gm_sc_app app("a", 1);
  gm_sc_mac mac(1, 0, 1);
  EXPECT_GE(digest.handle_id(), first_handle_id);
  EXPECT_EQ(app.handle_id(), digest.handle_id() + 1);
  EXPECT_EQ(mac.handle_id(), digest.handle_id() + 2);
  EXPECT_EQ(handle_value(mac.as_handle()), mac.handle_id());
}

TEST_F(HandleTree, LookupsFindEachKindWithItsOwners) {
  tree t;
  EXPECT_EQ(find_device(t.device->as_handle()), t.device);

  auto app = find_application(t.application->as_handle());
  EXPECT_EQ(app.application, t.application);
  EXPECT_EQ(app.device, t.device);

  auto cont = find_container(t.container->as_handle());
  EXPECT_EQ(cont.container, t.container);
  EXPECT_EQ(cont.application, t.application);

  auto key = find_session_key(t.key->as_handle());
  EXPECT_EQ(key.key, t.key);
  EXPECT_EQ(key.container, t.container);
  EXPECT_EQ(key.device, t.device);

  auto mac = find_mac(t.mac->as_handle());
  EXPECT_EQ(mac.mac, t.mac);
  EXPECT_EQ(mac.application, t.application);

  auto digest = find_digest(t.digest->as_handle());
  EXPECT_EQ(digest.digest, t.digest);
  EXPECT_EQ(digest.device, t.device);

  EXPECT_EQ(find_application_by_name(t.device, "app"), t.application);
  EXPECT_EQ(find_application_by_name(t.device, "ap"), nullptr);
  EXPECT_EQ(find_container_by_name(t.application, "cont"), t.container);
}

TEST_F(HandleTree, LookupsIgnoreOtherKindsAndZero) {
  tree t;
  EXPECT_EQ(find_device(nullptr), nullptr);
  EXPECT_EQ(find_device(t.application->as_handle()), nullptr);
  EXPECT_EQ(find_application(t.container->as_handle()).application, nullptr);
  EXPECT_EQ(find_container(t.device->as_handle()).container, nullptr);
  EXPECT_EQ(find_session_key(t.mac->as_handle()).key, nullptr);
  EXPECT_EQ(find_mac(t.key->as_handle()).mac, nullptr);
  EXPECT_EQ(find_digest(t.key->as_handle()).digest, nullptr);
}

TEST_F(HandleTree, DeletingAnApplicationDeletesEverythingBelowIt) {
  tree t;
  const HANDLE cont = t.container->as_handle(), key = t.key->as_handle(), mac = t.mac->as_handle();
  ASSERT_EQ(t.device->applications.remove_by_handle(t.application->handle_id()), ULONG{SAR_OK});
  EXPECT_EQ(find_container(cont).container, nullptr);
  EXPECT_EQ(find_session_key(key).key, nullptr);
  EXPECT_EQ(find_mac(mac).mac, nullptr);
  EXPECT_EQ(find_digest(t.digest->as_handle()).digest, t.digest);  // the device's digests stay
  EXPECT_EQ(find_device(t.device->as_handle()), t.device);
}

TEST_F(HandleTree, DisconnectingADeviceLeavesNothingReachable) {
  tree t;
  const HANDLE app = t.application->as_handle(), digest = t.digest->as_handle();
  ASSERT_EQ(device_list.remove_by_handle(t.device->handle_id()), ULONG{SAR_OK});
  EXPECT_EQ(find_application(app).application, nullptr);
  EXPECT_EQ(find_digest(digest).digest, nullptr);
  EXPECT_EQ(device_list.count(), 0u);
  // Leak checking at exit shows that the digest went with its device.
}

TEST(NodeList, OperationsReturnWhatCallersTest) {
  mk_node_list list;
  EXPECT_EQ(list.remove_by_handle(0x3000), ULONG{SAR_OK});  // empty list
  EXPECT_EQ(list.first(), nullptr);

  auto a = std::make_unique<gm_sc_app>("one", 1);
  auto b = std::make_unique<gm_sc_app>("two", 2);
  auto* c = new gm_sc_app("two", 3);  // the list deletes this one
  EXPECT_EQ(list.append(a.get()), 1u);
  EXPECT_EQ(list.append(b.get()), 2u);
  EXPECT_EQ(list.append(c), 3u);
  EXPECT_EQ(list.count(), 3u);

  EXPECT_EQ(list.first(), a.get());
  EXPECT_EQ(list.next(), b.get());
  EXPECT_EQ(list.next(), c);
  EXPECT_EQ(list.next(), nullptr);

  EXPECT_EQ(list.find_by_name("two"), b.get());
  EXPECT_EQ(list.find_by_name("tw"), nullptr);
  EXPECT_EQ(list.remove_by_handle(0x7FFFFFFF), ULONG{SAR_FAIL});
  EXPECT_EQ(list.remove_by_handle(c->handle_id()), ULONG{SAR_OK});
  EXPECT_EQ(list.count(), 2u);

  EXPECT_EQ(list.remove(b.get()), 0);
  EXPECT_EQ(list.remove(b.get()), 1);
  EXPECT_EQ(list.count(), 1u);

  list.clear();  // nodes only: a stays ours
  EXPECT_EQ(list.count(), 0u);
  EXPECT_EQ(a->name(), "one");
}

TEST(NodeList, DeleteByNameRemovesEveryMatch) {
  mk_node_list list;
  auto keep = std::make_unique<gm_sc_cont>("keep", 1, 1);
  list.append(new gm_sc_cont("gone", 2, 1));
  list.append(keep.get());
  list.append(new gm_sc_cont("gone", 3, 1));
  EXPECT_EQ(list.delete_by_name("gone"), 0);
  EXPECT_EQ(list.count(), 1u);
  EXPECT_EQ(list.first(), keep.get());
  list.clear();
}

TEST(NodeList, CursorSurvivesRemovalOfItsNode) {
  mk_node_list list;
  gm_sc_digest a(1), b(2), c(3);
  list.append(&a);
  list.append(&b);
  list.append(&c);
  EXPECT_EQ(list.first(), &a);
  EXPECT_EQ(list.next(), &b);
  list.remove(&b);
  EXPECT_EQ(list.next(), &c);
  list.clear();
}

TEST(HandleNames, AreCutAtTheirFieldSize) {
  gm_sc_cont cont(std::string(200, 'c'), 1, 1);
  EXPECT_EQ(cont.name().size(), gm_sc_cont::name_capacity);
  gm_sc_app app(std::string(40, 'a'), 1);
  EXPECT_EQ(app.name().size(), gm_sc_app::name_capacity);
}

}  // namespace
}  // namespace veltrakey
