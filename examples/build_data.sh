#!/bin/sh
# Builds the example shop database from the CSV files in examples/data, with dbsql itself.
#
#   examples/build_data.sh [OUTPUT_DIR]       (default: examples/db)
#
# dbsql is taken from $DBSQL, else from the build tree (build/tools/dbsql/dbsql), else from PATH. The rows go
# through the same checked insert as every other change, in an order that respects the foreign keys; one
# refused row fails the whole build. The new database is written beside the old one and replaces it only when
# complete.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-"$here/db"}

if [ -n "${DBSQL:-}" ]; then
    dbsql=$DBSQL
elif [ -x "$root/build/tools/dbsql/dbsql" ]; then
    dbsql=$root/build/tools/dbsql/dbsql
else
    dbsql=$(command -v dbsql) || { echo "build_data.sh: dbsql not found (build it, or set DBSQL)" >&2; exit 1; }
fi

staging="$out.new"
rm -rf "$staging"
mkdir -p "$staging"

"$dbsql" -s "$here/schema/shop.xml" --schema2 "$here/schema/shop_optional.xml" -d "$staging" --no-load --save <<SQL
.import "$here/data/customer.csv" Customer
.import "$here/data/store.csv" Store
.import "$here/data/product.csv" Product
.import "$here/data/supplier.csv" Supplier
.import "$here/data/orders.csv" Orders
.import "$here/data/orderline.csv" OrderLine
.import "$here/data/supply.csv" Supply
.import "$here/data/sale.csv" Sale
.import "$here/data/review.csv" Review
.import "$here/data/wishlist.csv" Wishlist
.tables
SQL

rm -rf "$out"
mv "$staging" "$out"
echo "example database written to $out"
